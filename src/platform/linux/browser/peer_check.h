#pragma once

#include <optional>
#include <sys/types.h>

namespace norvane::linux_browser {

// Who is at the other end of a connected Unix socket, as the kernel saw it
// when the connection was made (SO_PEERCRED).
struct PeerCredentials {
    pid_t pid = 0;
    uid_t uid = 0;
    gid_t gid = 0;
};

std::optional<PeerCredentials> peerCredentials(int fd);

// The bridge serves only processes of the user it runs as. Unknown
// credentials are refused.
[[nodiscard]] bool peerAllowed(const std::optional<PeerCredentials>& peer, uid_t self) noexcept;

} // namespace norvane::linux_browser
