#include "integration/wsmanhttp/ProcessGuard.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace tarnwick::testing {

namespace {

using Clock = std::chrono::steady_clock;

int Remaining(Clock::time_point deadline) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return ms < 0 ? 0 : int(ms);
}

void Drain(int fd, std::string& buffer) {
    if (fd < 0) return;
    char chunk[4096];
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0) break;
        buffer.append(chunk, std::size_t(n));
    }
}

int Spawn(const std::vector<std::string>& argv, const std::string& stdinText,
          const std::vector<std::string>& env, int& outFd, int& errFd) {
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC))
        throw std::runtime_error("pipe");
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork");
    if (pid == 0) {
        setpgid(0, 0);
        // Should the test process crash, its servers go with it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (const auto& e : env)
            putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    setpgid(pid, pid);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    signal(SIGPIPE, SIG_IGN);
    if (!stdinText.empty()) {
        ssize_t ignored = write(in[1], stdinText.data(), stdinText.size());
        (void)ignored;
    }
    close(in[1]);
    fcntl(out[0], F_SETFL, O_NONBLOCK);
    fcntl(err[0], F_SETFL, O_NONBLOCK);
    outFd = out[0];
    errFd = err[0];
    return pid;
}

} // namespace

TProcessGuard::TProcessGuard(const std::vector<std::string>& argv, const std::string& stdinText,
                             const std::vector<std::string>& extraEnv) {
    FPid = Spawn(argv, stdinText, extraEnv, FOut, FErr);
}

TProcessGuard::~TProcessGuard() {
    Stop();
}

void TProcessGuard::Stop() {
    if (FPid > 0) {
        kill(-FPid, SIGTERM);
        auto deadline = Clock::now() + std::chrono::seconds(3);
        int status = 0;
        while (waitpid(FPid, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                kill(-FPid, SIGKILL);
                waitpid(FPid, &status, 0);
                break;
            }
            usleep(10000);
        }
        kill(-FPid, SIGKILL); // anything the child left in its group
        FPid = -1;
    }
    Drain(FErr, FErrBuffer);
    if (FOut >= 0) close(FOut);
    if (FErr >= 0) close(FErr);
    FOut = FErr = -1;
}

std::string TProcessGuard::WaitForLine(const std::string& prefix, int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        for (std::size_t pos = 0;;) {
            auto eol = FOutBuffer.find('\n', pos);
            if (eol == std::string::npos) break;
            std::string line = FOutBuffer.substr(pos, eol - pos);
            if (line.rfind(prefix, 0) == 0) {
                FOutBuffer.erase(0, eol + 1); // consumed: the next wait sees only later lines
                return line;
            }
            pos = eol + 1;
        }
        int left = Remaining(deadline);
        if (left == 0 || FOut < 0) return {};
        pollfd p{FOut, POLLIN, 0};
        if (poll(&p, 1, left) <= 0) continue;
        char chunk[4096];
        ssize_t n = read(FOut, chunk, sizeof chunk);
        if (n == 0) return {};
        if (n > 0) FOutBuffer.append(chunk, std::size_t(n));
        Drain(FErr, FErrBuffer);
    }
}

std::string TProcessGuard::ErrorOutput() {
    Drain(FErr, FErrBuffer);
    return FErrBuffer;
}

int RunCommand(const std::vector<std::string>& argv, const std::string& stdinText, int timeoutMs,
               const std::vector<std::string>& extraEnv, std::string* output) {
    int out = -1, err = -1;
    pid_t pid = Spawn(argv, stdinText, extraEnv, out, err);
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string text;
    int status = 0;
    for (;;) {
        Drain(out, text);
        Drain(err, text);
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (Remaining(deadline) == 0) {
            kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            close(out);
            close(err);
            if (output) *output = text;
            return -1;
        }
        pollfd p[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
        poll(p, 2, 20);
    }
    Drain(out, text);
    Drain(err, text);
    close(out);
    close(err);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TTempDir::TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-winrm-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    FPath = pattern;
}

TTempDir::~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
}

void TTempDir::Write(const std::string& name, const std::string& text) const {
    std::ofstream(File(name), std::ios::binary) << text;
}

int FreeLoopbackPort() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

} // namespace tarnwick::testing
