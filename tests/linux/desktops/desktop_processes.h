#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace norvane::testing {

// A process started with exactly the environment given (nothing inherited),
// its output appended to a log file. Stopped (SIGTERM, then SIGKILL after a
// grace period) and reaped with the object; killed with the test program if
// that dies first.
class Child {
public:
    Child() = default;
    ~Child() { stop(); }
    Child(Child&& other) noexcept;
    Child& operator=(Child&& other) noexcept;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // `keepFd`: one descriptor of ours the child keeps (as the same number).
    static Child spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                       const std::string& logPath, int keepFd = -1);

    [[nodiscard]] int pid() const noexcept { return pid_; }
    [[nodiscard]] bool running();
    void stop(int signal = 15);

private:
    int pid_ = -1;
};

// A dbus-daemon with the session configuration, listening in `dir`.
class PrivateBus {
public:
    // Empty `address()` when it did not start.
    explicit PrivateBus(const std::string& dir);
    [[nodiscard]] const std::string& address() const noexcept { return address_; }

private:
    Child daemon_;
    std::string address_;
};

// A fresh folder under /tmp, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    [[nodiscard]] const std::string& path() const noexcept { return path_; }

private:
    std::string path_;
};

// Checks `ready` every few milliseconds until it holds or `limit` passes.
bool waitFor(const std::function<bool()>& ready, std::chrono::milliseconds limit);

// Whether `name` has an owner on the bus at `address`.
bool nameHasOwner(const std::string& address, const std::string& name);

// "p50 X ms, p99 Y ms (n samples)".
std::string percentiles(std::vector<double> milliseconds);

} // namespace norvane::testing
