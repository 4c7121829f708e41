#pragma once
// TProcessGuard: a child process in its own process group, stopped (the whole
// group) when the guard goes out of scope, also when a test fails half-way.
// Every wait is bounded.

#include <string>
#include <vector>

namespace tarnwick::testing {

class TProcessGuard {
public:
    // Starts argv[0] with argv; stdinText is written to its standard input, which is
    // then closed (passwords travel this way, never on the command line).
    TProcessGuard(const std::vector<std::string>& argv, const std::string& stdinText,
                  const std::vector<std::string>& extraEnv = {});
    ~TProcessGuard();
    TProcessGuard(const TProcessGuard&) = delete;
    TProcessGuard& operator=(const TProcessGuard&) = delete;

    // Reads standard output until a line starts with prefix and returns it (consuming the lines
    // up to it), or "" after timeoutMs.
    std::string WaitForLine(const std::string& prefix, int timeoutMs);
    // Everything the process wrote to standard error so far (for failure messages).
    std::string ErrorOutput();
    void Stop();
    int Pid() const { return FPid; }

private:
    int FPid = -1;
    int FOut = -1;
    int FErr = -1;
    std::string FOutBuffer;
    std::string FErrBuffer;
};

// Runs a command to its end (bounded); returns its exit status, or -1 on time-out.
int RunCommand(const std::vector<std::string>& argv, const std::string& stdinText, int timeoutMs,
               const std::vector<std::string>& extraEnv = {}, std::string* output = nullptr);

// A fresh private temporary folder, removed with everything in it on destruction.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    const std::string& Path() const { return FPath; }
    std::string File(const std::string& name) const { return FPath + "/" + name; }
    void Write(const std::string& name, const std::string& text) const;

private:
    std::string FPath;
};

// A TCP port on 127.0.0.1 that was free a moment ago.
int FreeLoopbackPort();

} // namespace tarnwick::testing
