#include "app/cli/CliOptions.h"

#include "app/Presets.h"
#include "app/cli/CliList.h"

#include <cstdlib>

namespace tarnwick::app::cli {

std::string UsageText() {
    return R"(Usage: tarnwick-cli [options] ["WQL query"]

Runs one WQL query against a computer, as the window's "Test!" does, and prints the rows.

Target and credentials:
  --host H              computer name or IP address (default: the local computer)
  --user U              user name
  --domain D            domain
  --domain-prefix P     domain prefix (default: NTLMDOMAIN:)
  --namespace NS        WMI namespace (default: root\cimV2)
  --password PASSWORD   the password itself (other users can see it: prefer the ways below)
  --password-file FILE  read the password from the first line of FILE
  --password-stdin      read the password from the first line of standard input
                        Otherwise the password comes from the environment variable
                        TARNWICK_PASSWORD, or is asked for without echo when a user is
                        given and a terminal is attached. It is never taken from the
                        command line.
Transport:
  --dcom                DCOM (the default)
  --port-check          with DCOM: check first that port 135 accepts connections
                        (also --portscan)
  --wsman               WS-Management
  --port N              WS-Management port, 1 to 65535 (default: 5985)
  --ssl                 WS-Management over HTTPS
  --kerberos            enforce Kerberos (default: Negotiate)
  --ca-file FILE        trust the CA certificates in FILE (PEM) besides the system's
  --insecure            do not check the server's certificate (prints a warning)
Query and output:
  --preset N            preset query 0 to 5 instead of a WQL text:
                          0 OS, 1 processes, 2 logical disks, 3 memory, 4 processor, 5 network
  --mode M              integer (typed field texts) or extended (raw values, the default);
                        --typed and --raw are short for them
  --format F            table (aligned columns, the default), csv (as the window saves
                        its results) or json (one object per row)
  --output FILE         write the rows to FILE instead of standard output
  --list L              instead of a query, print the names that the connection lists,
                        one a line: accounts (domain\name), disks, namespaces (below
                        --namespace) or classes
  --quiet               no result count and no duration on standard error
  --help                this text
  --version             the program's version

Exit status: 0 for a run without error, 1 for a run that ended in an error row,
2 for bad usage.
)";
}

namespace {

bool ParsePort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    port = std::atoi(text.c_str());
    return port >= 1 && port <= 65535;
}

} // namespace

TParseResult ParseCommandLine(const std::vector<std::string>& args) {
    TCliOptions o;
    o.Inputs.UseDcom = true;
    o.Inputs.PortScan = false;
    o.Inputs.DomainPrefix = DefaultDomainPrefix;
    o.Inputs.NameSpace = DefaultNamespace;
    o.Inputs.WsmanPort = DefaultWsmanPort;
    o.Inputs.CalcBase = 1;
    bool dcom = false, wsman = false, wsmanOnly = false, portCheck = false;
    std::optional<int> preset;
    std::optional<std::string> query;
    auto fail = [](std::string message) { return TParseResult{std::nullopt, std::move(message)}; };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::optional<std::string> inlineValue;
        if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
            inlineValue = arg.substr(arg.find('=') + 1);
            arg = arg.substr(0, arg.find('='));
        }
        bool takesValue = arg == "--host" || arg == "--user" || arg == "--domain" ||
                          arg == "--domain-prefix" || arg == "--namespace" || arg == "--port" ||
                          arg == "--preset" || arg == "--mode" || arg == "--format" || arg == "--output" ||
                          arg == "--password-file" || arg == "--password" || arg == "--list" ||
                          arg == "--ca-file";
        std::string value;
        if (takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return fail(arg + " needs a value");
            }
        } else if (inlineValue) {
            return fail(arg + " takes no value");
        }

        if (arg == "--host")
            o.Inputs.Host = FromUtf8(value);
        else if (arg == "--user")
            o.Inputs.User = FromUtf8(value);
        else if (arg == "--domain")
            o.Inputs.Domain = FromUtf8(value);
        else if (arg == "--domain-prefix")
            o.Inputs.DomainPrefix = FromUtf8(value);
        else if (arg == "--namespace")
            o.Inputs.NameSpace = FromUtf8(value);
        else if (arg == "--password")
            o.Password = value;
        else if (arg == "--password-file")
            o.PasswordFile = value;
        else if (arg == "--password-stdin")
            o.PasswordStdin = true;
        else if (arg == "--dcom")
            dcom = true;
        else if (arg == "--wsman")
            wsman = true;
        else if (arg == "--port-check" || arg == "--portscan")
            portCheck = true;
        else if (arg == "--port") {
            if (!ParsePort(value, o.Inputs.WsmanPort))
                return fail("--port needs a number from 1 to 65535, not \"" + value + "\"");
            wsmanOnly = true;
        } else if (arg == "--ssl") {
            o.Inputs.WsmanSsl = true;
            wsmanOnly = true;
        } else if (arg == "--kerberos") {
            o.Inputs.AuthenticationIndex = 1;
            wsmanOnly = true;
        } else if (arg == "--preset") {
            if (value.size() != 1 || value[0] < '0' || value[0] > '5')
                return fail("--preset needs a number from 0 to 5, not \"" + value + "\"");
            preset = value[0] - '0';
        } else if (arg == "--mode") {
            if (value == "integer")
                o.Inputs.CalcBase = 0;
            else if (value == "extended")
                o.Inputs.CalcBase = 1;
            else
                return fail("--mode is integer or extended, not \"" + value + "\"");
        } else if (arg == "--typed")
            o.Inputs.CalcBase = 0;
        else if (arg == "--raw")
            o.Inputs.CalcBase = 1;
        else if (arg == "--format") {
            if (value == "table")
                o.Format = TOutputFormat::Table;
            else if (value == "csv")
                o.Format = TOutputFormat::Csv;
            else if (value == "json")
                o.Format = TOutputFormat::Json;
            else
                return fail("--format is table, csv or json, not \"" + value + "\"");
        } else if (arg == "--output")
            o.OutputFile = value;
        else if (arg == "--list") {
            if (!IsListingName(value))
                return fail("--list is accounts, disks, namespaces or classes, not \"" + value + "\"");
            o.List = value;
        } else if (arg == "--ca-file") {
            o.CaFile = value;
            wsmanOnly = true;
        } else if (arg == "--insecure") {
            o.Insecure = true;
            wsmanOnly = true;
        } else if (arg == "--quiet" || arg == "-q")
            o.Quiet = true;
        else if (arg == "--help" || arg == "-h")
            o.Help = true;
        else if (arg == "--version")
            o.Version = true;
        else if (arg == "--") {
            for (++i; i < args.size(); ++i) {
                if (query) return fail("only one WQL query may be given");
                query = args[i];
            }
        } else if (arg.size() > 1 && arg[0] == '-')
            return fail("unknown option " + arg);
        else {
            if (query) return fail("only one WQL query may be given (quote it)");
            query = arg;
        }
    }
    if (dcom && wsman) return fail("--dcom and --wsman exclude each other");
    if (wsmanOnly && !wsman) return fail("--port, --ssl, --kerberos, --ca-file and --insecure need --wsman");
    if (portCheck && wsman) return fail("--port-check needs DCOM");
    if (preset && query) return fail("give either --preset or a WQL query, not both");
    if (!o.List.empty() && (preset || query))
        return fail("--list runs no query: give no --preset or WQL query");
    if (o.Password && (!o.PasswordFile.empty() || o.PasswordStdin))
        return fail("--password excludes --password-file and --password-stdin");
    if (!o.PasswordFile.empty() && o.PasswordStdin)
        return fail("--password-file and --password-stdin exclude each other");
    o.Inputs.UseDcom = !wsman;
    o.Inputs.PortScan = portCheck;
    if (preset)
        o.Inputs.QueryText = QueryPresets()[std::size_t(*preset)].Query;
    else if (query)
        o.Inputs.QueryText = FromUtf8(*query);
    return TParseResult{std::move(o), {}};
}

} // namespace tarnwick::app::cli
