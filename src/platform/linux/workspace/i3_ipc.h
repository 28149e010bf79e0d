#pragma once

#include "platform/linux/common/unix_socket.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvane::linux_workspace::i3ipc {

// Message types of the i3 IPC protocol, which sway speaks too.
enum class Request : std::uint32_t { runCommand = 0, subscribe = 2, getTree = 4 };
// Event types carry the high bit.
inline constexpr std::uint32_t eventBit = 0x80000000U;
enum class Event : std::uint32_t { workspace = 0, window = 3, shutdown = 6 };

struct Message {
    std::uint32_t type = 0;
    std::string payload;
};

// "i3-ipc", payload length and type (native byte order), then the payload.
std::string encode(std::uint32_t type, std::string_view payload);

bool send(linux_common::UnixSocket& socket, Request type, std::string_view payload);
// One whole message, or nothing when the connection failed.
std::optional<Message> receive(linux_common::UnixSocket& socket);

// A short request on a connection of its own: connect, send, read the
// reply, close. The reply payload, or nothing.
std::optional<std::string> request(const std::string& socketPath, Request type, std::string_view payload);

} // namespace norvane::linux_workspace::i3ipc
