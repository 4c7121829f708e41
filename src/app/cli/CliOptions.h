#pragma once
// The options of tarnwick-cli; each mirrors a control of the window.

#include "app/TestRun.h"

#include <optional>
#include <string>
#include <vector>

namespace tarnwick::app::cli {

enum class TOutputFormat { Table, Csv, Json };

struct TCliOptions {
    TRunInputs Inputs; // the password is filled in later
    TOutputFormat Format = TOutputFormat::Table;
    std::string OutputFile;     // empty: standard output
    std::string List;           // --list: accounts, disks, namespaces or classes; empty: the query
    std::string PasswordFile;   // first line is the password
    std::optional<std::string> Password; // --password: visible to other users, so it warns
    bool PasswordStdin = false; // first line of standard input is the password
    std::string CaFile;         // --ca-file: a CA the WinRM client trusts besides the system's
    bool Insecure = false;      // --insecure: no certificate check (a warning is printed)
    bool Quiet = false;
    bool Help = false;
    bool Version = false;
};

struct TParseResult {
    std::optional<TCliOptions> Options; // none on bad usage
    std::string Error;                  // what was wrong, for standard error
};

TParseResult ParseCommandLine(const std::vector<std::string>& args);
std::string UsageText();

} // namespace tarnwick::app::cli
