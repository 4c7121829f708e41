#pragma once
// tarnwick-cli as a function: parses the arguments, runs the test run without a
// window and prints the grid. main() only adds the terminal.

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace tarnwick::app::cli {

struct TCliEnvironment {
    std::istream* In = nullptr; // for --password-stdin
    std::ostream* Out = nullptr;
    std::ostream* Err = nullptr;
    bool ErrIsTerminal = false; // show the growing result count
    // The password from TARNWICK_PASSWORD, when it is set.
    std::function<bool(std::string& password)> PasswordFromEnvironment;
    // Asks for the password without echo; false when no terminal is attached.
    std::function<bool(std::string& password)> PromptPassword;
    // True once the user asked to stop (Ctrl+C); read once per row.
    std::function<bool()> StopRequested;
};

// 0: a run without error; 1: the run ended in an error row (or the output could not
// be written); 2: bad usage.
int RunCommandLine(const std::vector<std::string>& args, const TCliEnvironment& env);

} // namespace tarnwick::app::cli
