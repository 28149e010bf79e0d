#pragma once

#include "test_support.h"

#include <chrono>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace norvane::linux_browser::test {

// A program the test starts with pipes on its stdin and stdout (stderr and
// the environment are the test's). Killed on destruction if still running.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv)
    {
        int in[2];
        int out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
            return;
        }
        std::vector<char*> args;
        for (const auto& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        if (::posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        stdout_ = out[0];
    }
    ~ChildProcess()
    {
        closeStdin();
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(stdout_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    [[nodiscard]] int pid() const noexcept { return pid_; }

    // A blocking write to a pipe is complete unless the reader has gone.
    bool write(const std::string& bytes)
    {
        return ::write(stdin_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    void closeStdin()
    {
        ::close(stdin_);
        stdin_ = -1;
    }
    // Whatever the child has written within `timeout` (at least one byte),
    // or nothing at its end of output or when it stays silent.
    std::optional<std::string> read(std::chrono::milliseconds timeout)
    {
        pollfd p{stdout_, POLLIN, 0};
        char buffer[4096];
        const auto n =
            ::poll(&p, 1, static_cast<int>(timeout.count())) == 1 ? ::read(stdout_, buffer, sizeof buffer) : 0;
        return n > 0 ? std::optional(std::string(buffer, static_cast<std::size_t>(n))) : std::nullopt;
    }
    // One line of output without its newline; nothing on timeout or at the end.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        std::size_t nl = 0;
        while ((nl = lineBuffer_.find('\n')) == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            const auto more = left.count() > 0 ? read(left) : std::nullopt;
            if (!more) {
                return std::nullopt;
            }
            lineBuffer_ += *more;
        }
        auto line = lineBuffer_.substr(0, nl);
        lineBuffer_.erase(0, nl + 1);
        return line;
    }
    // The exit status once the child ends within `timeout`.
    std::optional<int> wait(std::chrono::milliseconds timeout)
    {
        int status = 0;
        if (!status_ && eventually([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, {}, timeout)) {
            status_ = status;
        }
        if (!status_) {
            return std::nullopt;
        }
        return WIFEXITED(*status_) ? WEXITSTATUS(*status_) : 128 + WTERMSIG(*status_);
    }

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    std::optional<int> status_;
    std::string lineBuffer_;
};

} // namespace norvane::linux_browser::test
