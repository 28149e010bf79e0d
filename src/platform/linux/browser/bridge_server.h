#pragma once

#include "platform/linux/browser/bridge_protocol.h"
#include "platform/linux/browser/frame.h"
#include "platform/linux/browser/page_cache.h"
#include "platform/linux/browser/peer_process.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <sys/types.h>

namespace norvane::linux_browser {

// The app's end of the browser bridge: a Unix stream socket that native-
// messaging hosts report to and `norvanectl browser status` asks. Every
// descriptor is non-blocking and watched by one epoll descriptor, so the
// owner can drive it from any event loop (fd() + processReadable()) or give
// it a thread of its own (BridgeThread). Nothing here ever blocks.
//
// Only peers running as `allowedUid` (this user) are served; others are cut
// off at accept. A hello is believed only from a child of the browser it
// names (the browser starts its host), and the browser's executable is read
// from the kernel, never taken from the message. A frame longer than the cap
// closes its connection; a frame that is not a known message is dropped and
// the connection goes on.
//
// A connection that has not said hello (a status request, or a socket left
// open) is closed `helloDeadline` after it was accepted, or sooner when it
// stays silent for `idleTimeout`, so idle sockets cannot hold every slot.
class BridgeServer {
public:
    struct Options {
        std::size_t maxMessageBytes = linux_browser::maxMessageBytes;
        std::size_t maxConnections = 32;
        uid_t allowedUid; // defaults to the effective uid
        std::chrono::milliseconds helloDeadline{5000};
        std::chrono::milliseconds idleTimeout{2000};
        Options();
    };

    // Listens on `socketPath`, whose folder must already be private. A socket
    // file left by a crashed run is replaced; one with a live listener (the
    // app already running) or any other kind of file is an error.
    static std::unique_ptr<BridgeServer> listen(const std::string& socketPath, BrowserPageCache& cache,
                                                std::string& error, Options options = Options());
    ~BridgeServer();
    BridgeServer(const BridgeServer&) = delete;
    BridgeServer& operator=(const BridgeServer&) = delete;

    // Readable whenever processReadable() has something to do.
    [[nodiscard]] int fd() const noexcept { return epoll_; }
    // Accepts, reads and answers whatever is ready, without blocking.
    void processReadable();

    [[nodiscard]] std::size_t connectionCount() const noexcept { return connections_.size(); }
    // Messages dropped as malformed or out of place, and connections refused
    // or cut off; for tests and status.
    [[nodiscard]] std::uint64_t droppedMessages() const noexcept { return dropped_; }
    [[nodiscard]] std::uint64_t refusedPeers() const noexcept { return refused_; }
    [[nodiscard]] const std::string& path() const noexcept { return path_; }

private:
    using Clock = std::chrono::steady_clock;

    struct Connection {
        int fd = -1;
        FrameReader reader;
        PinnedProcess peer; // pinned at accept
        bool host = false;  // said hello, and the kernel agreed
        int pid = 0;        // the browser's, once a host
        Clock::time_point acceptedAt;
        Clock::time_point heardAt; // last bytes received
        Connection(std::size_t cap, pid_t peerPid) : reader(cap), peer(peerPid) {}
    };

    BridgeServer(BrowserPageCache& cache, Options options) : cache_(cache), options_(options) {}
    void acceptAll();
    // False when the connection has to be closed.
    bool readFrom(std::uint64_t id, Connection& c);
    bool handle(std::uint64_t id, Connection& c, const std::string& payload);
    bool send(Connection& c, const std::string& json);
    void close(std::uint64_t id);
    // Closes connections past their deadline and sets the timer for the next.
    void expireSilent();

    BrowserPageCache& cache_;
    Options options_;
    std::string path_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    int listener_ = -1;
    int epoll_ = -1;
    int timer_ = -1; // timerfd for the next deadline
    std::uint64_t nextID_ = 1;
    std::map<std::uint64_t, Connection> connections_;
    std::uint64_t dropped_ = 0;
    std::uint64_t refused_ = 0;
};

} // namespace norvane::linux_browser
