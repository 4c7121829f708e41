#include "app/cli/CliRun.h"

#include "app/cli/CliList.h"
#include "app/cli/CliOptions.h"
#include "app/cli/CliOutput.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>

#ifndef TARNWICK_VERSION
#define TARNWICK_VERSION "0.0.0.0"
#endif

namespace tarnwick::app::cli {

namespace {

// The test run's view without a window: the count on standard error while rows
// arrive (on a terminal), Ctrl+C as "Stop Query".
class TCliView : public ITestRunView {
public:
    TCliView(const TRunInputs& inputs, const TCliEnvironment& env, bool quiet, TTestRun*& run)
        : FInputs(inputs), FEnv(env), FShowCount(env.ErrIsTerminal && !quiet), FRun(run) {}

    TRunInputs RunInputs() override { return FInputs; }
    void SetResultCountText(const WideString& text) override {
        FCount = text;
        auto now = std::chrono::steady_clock::now();
        if (FShowCount && now - FLastShown > std::chrono::milliseconds(100)) {
            FLastShown = now;
            *FEnv.Err << "\rResult count: " << ToUtf8(text) << std::flush;
            FCountShown = true;
        }
    }
    void SetDurationText(const WideString&) override {}
    void SetResultLine(const WideString&) override {}
    void ShowBasicPage() override {}
    void SetRunningState(bool) override {}
    void ShowGrid() override {}
    void ProcessMessages() override {
        if (FRun && FEnv.StopRequested && FEnv.StopRequested()) FRun->Cancel();
    }
    void EndCountLine() {
        if (FCountShown) *FEnv.Err << "\r\033[K" << std::flush;
    }

private:
    TRunInputs FInputs;
    const TCliEnvironment& FEnv;
    bool FShowCount;
    TTestRun*& FRun;
    WideString FCount;
    bool FCountShown = false;
    std::chrono::steady_clock::time_point FLastShown{};
};

bool FirstLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

// Overwrites a password's characters before its memory is given back.
void Wipe(std::string& s) {
    volatile char* p = s.data();
    for (std::size_t i = 0; i < s.size(); ++i)
        p[i] = 0;
    s.clear();
}

} // namespace

int RunCommandLine(const std::vector<std::string>& args, const TCliEnvironment& env) {
    std::ostream& err = *env.Err;
    TParseResult parsed = ParseCommandLine(args);
    if (!parsed.Options) {
        err << "tarnwick-cli: " << parsed.Error << "\nTry 'tarnwick-cli --help'.\n";
        return 2;
    }
    TCliOptions& o = *parsed.Options;
    if (o.Help) {
        *env.Out << UsageText();
        return 0;
    }
    if (o.Version) {
        *env.Out << "tarnwick-cli " << TARNWICK_VERSION << "\n";
        return 0;
    }

    // The WinRM client reads its TLS switches from the environment, as the window does.
    if (!o.CaFile.empty()) ::setenv("TARNWICK_CA_FILE", o.CaFile.c_str(), 1);
    if (o.Insecure) ::setenv("TARNWICK_INSECURE", "1", 1);

    std::string password;
    if (o.Password) {
        err << "tarnwick-cli: warning: a password on the command line can be seen by other users of this "
               "computer; use TARNWICK_PASSWORD, --password-file FILE, --password-stdin or the prompt\n";
        password = *o.Password;
        Wipe(*o.Password);
    } else if (!o.PasswordFile.empty()) {
        std::ifstream file(o.PasswordFile);
        if (!file || !FirstLine(file, password)) {
            err << "tarnwick-cli: cannot read the password from " << o.PasswordFile << "\n";
            return 2;
        }
    } else if (o.PasswordStdin) {
        if (!env.In || !FirstLine(*env.In, password)) {
            err << "tarnwick-cli: no password on standard input\n";
            return 2;
        }
    } else if (env.PasswordFromEnvironment && env.PasswordFromEnvironment(password)) {
    } else if (!o.Inputs.User.empty() && env.PromptPassword) {
        env.PromptPassword(password); // without a terminal the password stays empty
    }
    o.Inputs.Password = FromUtf8(password);
    Wipe(password);

    if (!o.List.empty()) {
        int code = 0;
        try {
            if (o.OutputFile.empty()) {
                RunListing(o.List, o.Inputs, *env.Out);
            } else {
                std::ofstream file(o.OutputFile, std::ios::binary | std::ios::trunc);
                RunListing(o.List, o.Inputs, file);
                file.close();
                if (!file) {
                    err << "tarnwick-cli: cannot write " << o.OutputFile << "\n";
                    code = 1;
                }
            }
        } catch (const Exception& e) {
            err << ToUtf8(e.Message()) << "\n";
            code = 1;
        }
        for (char16_t& c : o.Inputs.Password)
            c = 0;
        return code;
    }

    TStringGrid grid;
    TQueryHistory history;
    TTestRun* runPtr = nullptr;
    TCliView view(o.Inputs, env, o.Quiet, runPtr);
    TTestRun run(view, grid, history);
    runPtr = &run;
    bool failed = false;
    WideString failure;
    try {
        run.Execute();
    } catch (const ETestRunError& e) {
        failed = true;
        failure = e.Message();
    }
    view.EndCountLine();
    for (char16_t& c : o.Inputs.Password)
        c = 0;

    std::string text;
    switch (o.Format) {
    case TOutputFormat::Table:
        text = FormatTable(grid, failed);
        break;
    case TOutputFormat::Csv:
        text = FormatCsv(grid);
        break;
    case TOutputFormat::Json:
        text = FormatJson(grid, failed);
        break;
    }
    if (o.OutputFile.empty()) {
        *env.Out << text << std::flush;
    } else {
        std::ofstream file(o.OutputFile, std::ios::binary | std::ios::trunc);
        file << text;
        file.close();
        if (!file) {
            err << "tarnwick-cli: cannot write " << o.OutputFile << "\n";
            return 1;
        }
    }
    if (failed) {
        err << ToUtf8(failure) << "\n";
        return 1;
    }
    if (!o.Quiet) err << "Duration (ms): " << run.LastDurationMs() << "\n";
    return 0;
}

} // namespace tarnwick::app::cli
