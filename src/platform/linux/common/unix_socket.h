#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace norvane::linux_common {

// A connected Unix stream socket with send and receive time limits, so no
// caller waits on a hung compositor for long.
class UnixSocket {
public:
    UnixSocket() = default;
    ~UnixSocket();
    UnixSocket(UnixSocket&& other) noexcept;
    UnixSocket& operator=(UnixSocket&& other) noexcept;
    UnixSocket(const UnixSocket&) = delete;
    UnixSocket& operator=(const UnixSocket&) = delete;

    // Returns the reason on failure.
    std::optional<std::string> connect(const std::string& path,
                                       std::chrono::milliseconds limit = std::chrono::milliseconds(1000));
    [[nodiscard]] int fd() const noexcept { return fd_; }
    [[nodiscard]] bool open() const noexcept { return fd_ >= 0; }

    bool sendAll(std::string_view data);
    // Exactly n bytes, or nothing (closed, failed or timed out).
    std::optional<std::string> receiveExactly(std::size_t n);
    // Everything until the peer closes, or nothing on failure.
    std::optional<std::string> receiveAll();
    // Whatever is there now (at least one byte), or nothing when closed.
    std::optional<std::string> receiveSome();
    void close();

private:
    int fd_ = -1;
};

} // namespace norvane::linux_common
