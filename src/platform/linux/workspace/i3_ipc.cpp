#include "platform/linux/workspace/i3_ipc.h"

#include <cstring>

namespace norvane::linux_workspace::i3ipc {

namespace {

constexpr std::string_view magic = "i3-ipc";
constexpr std::size_t headerSize = magic.size() + 8;
// Trees of very large sessions stay far below this.
constexpr std::uint32_t payloadLimit = 64U << 20;

} // namespace

std::string encode(std::uint32_t type, std::string_view payload)
{
    const auto length = static_cast<std::uint32_t>(payload.size());
    std::string out(magic);
    out.append(reinterpret_cast<const char*>(&length), 4);
    out.append(reinterpret_cast<const char*>(&type), 4);
    out.append(payload);
    return out;
}

bool send(linux_common::UnixSocket& socket, Request type, std::string_view payload)
{
    return socket.sendAll(encode(static_cast<std::uint32_t>(type), payload));
}

std::optional<Message> receive(linux_common::UnixSocket& socket)
{
    const auto header = socket.receiveExactly(headerSize);
    if (!header || !header->starts_with(magic)) {
        return std::nullopt;
    }
    std::uint32_t length = 0;
    Message message;
    std::memcpy(&length, header->data() + magic.size(), 4);
    std::memcpy(&message.type, header->data() + magic.size() + 4, 4);
    if (length > payloadLimit) {
        return std::nullopt;
    }
    auto payload = length == 0 ? std::optional<std::string>("") : socket.receiveExactly(length);
    if (!payload) {
        return std::nullopt;
    }
    message.payload = std::move(*payload);
    return message;
}

std::optional<std::string> request(const std::string& socketPath, Request type, std::string_view payload)
{
    linux_common::UnixSocket socket;
    if (socket.connect(socketPath) || !send(socket, type, payload)) {
        return std::nullopt;
    }
    // A connection without subscriptions gets only the reply.
    auto reply = receive(socket);
    if (!reply || reply->type != static_cast<std::uint32_t>(type)) {
        return std::nullopt;
    }
    return std::move(reply->payload);
}

} // namespace norvane::linux_workspace::i3ipc
