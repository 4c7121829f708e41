#include "app/cli/CliRun.h"
#include "app/startup/Platform.h"

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string_view>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t StopFlag = 0;

// The first Ctrl+C stops the run after the current row; a second one ends the program.
void OnInterrupt(int) {
    if (StopFlag) {
        std::signal(SIGINT, SIG_DFL);
        std::raise(SIGINT);
    }
    StopFlag = 1;
}

// Reads a line from the terminal with echo switched off; restores the terminal.
bool PromptPassword(std::string& password) {
    if (!::isatty(STDIN_FILENO)) return false;
    std::cerr << "Password: " << std::flush;
    termios old{};
    ::tcgetattr(STDIN_FILENO, &old);
    termios quiet = old;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    bool ok = static_cast<bool>(std::getline(std::cin, password));
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
    std::cerr << "\n";
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // A password given as an argument is blanked in the process's own argument list,
    // so the process list shows it only for the moment before this line.
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        char* secret = arg == "--password" && i + 1 < argc ? argv[i + 1]
                       : arg.rfind("--password=", 0) == 0 ? argv[i] + 11
                                                          : nullptr;
        if (secret)
            for (char* p = secret; *p; ++p) *p = 'x';
    }
    tarnwick::app::TProgramLifetime lifetime;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    ::sigaction(SIGINT, &action, nullptr);

    tarnwick::app::cli::TCliEnvironment env;
    env.In = &std::cin;
    env.Out = &std::cout;
    env.Err = &std::cerr;
    env.ErrIsTerminal = ::isatty(STDERR_FILENO);
    env.PasswordFromEnvironment = [](std::string& password) {
        const char* value = std::getenv("TARNWICK_PASSWORD");
        if (!value) return false;
        password = value;
        return true;
    };
    env.PromptPassword = PromptPassword;
    env.StopRequested = [] { return StopFlag != 0; };
    return tarnwick::app::cli::RunCommandLine(args, env);
}
