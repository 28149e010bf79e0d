#include "platform/linux/browser/peer_check.h"

#include <sys/socket.h>

namespace norvane::linux_browser {

std::optional<PeerCredentials> peerCredentials(int fd)
{
    struct ucred cred {};
    socklen_t size = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0 || size != sizeof cred) {
        return std::nullopt;
    }
    return PeerCredentials{cred.pid, cred.uid, cred.gid};
}

bool peerAllowed(const std::optional<PeerCredentials>& peer, uid_t self) noexcept
{
    return peer.has_value() && peer->uid == self;
}

} // namespace norvane::linux_browser
