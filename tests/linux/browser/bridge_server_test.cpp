#include "platform/linux/browser/bridge_client.h"
#include "platform/linux/browser/bridge_server.h"
#include "platform/linux/browser/browser_identity.h"
#include "platform/linux/browser/runtime_dir.h"
#include "test_support.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace norvane::linux_browser {
namespace {

using namespace std::chrono_literals;
using test::eventually;

std::string executableOf(pid_t pid)
{
    std::array<char, 4096> buffer{};
    const auto n = ::readlink(("/proc/" + std::to_string(pid) + "/exe").c_str(), buffer.data(), buffer.size());
    return n > 0 ? std::string(buffer.data(), static_cast<std::size_t>(n)) : std::string();
}

// A host's hello is believed only from a child of the browser it names. The
// test process connects as the host, so its parent plays the browser.
struct Browser {
    pid_t pid = ::getppid();
    std::string exe = executableOf(pid);
    std::string app = exe.empty() ? std::string() : browserAppIDs(exe).front();
};

// A client socket of the test, speaking frames.
class Client {
public:
    explicit Client(const std::string& path) : fd_(connectBridge(path, false)) {}
    ~Client()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    [[nodiscard]] bool connected() const { return fd_ >= 0; }
    void sendRaw(const std::string& bytes)
    {
        ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    }
    void send(const std::string& json) { sendRaw(encodeFrame(json)); }
    // For peers the server may already have let go.
    bool trySend(const std::string& json)
    {
        const auto frame = encodeFrame(json);
        return ::send(fd_, frame.data(), frame.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(frame.size());
    }
    void close()
    {
        ::close(fd_);
        fd_ = -1;
    }
    // The next frame from the server, or nothing when the server closed the
    // connection; `pump` lets the server run meanwhile.
    std::optional<std::string> receive(const std::function<void()>& pump)
    {
        std::optional<std::string> got;
        bool closed = false;
        eventually(
            [&] {
                if ((got = reader_.next())) {
                    return true;
                }
                char buffer[4096];
                const auto n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
                if (n > 0) {
                    reader_.append(buffer, static_cast<std::size_t>(n));
                }
                closed = n == 0 || (n < 0 && errno != EAGAIN);
                return closed;
            },
            pump);
        return closed ? std::nullopt : got;
    }
    // True when the server has closed this connection.
    bool closedByServer(const std::function<void()>& pump) { return !receive(pump).has_value(); }

private:
    int fd_;
    FrameReader reader_{maxMessageBytes};
};

struct BridgeServerTest : testing::Test {
    Browser browser;
    test::TempDir dir;
    std::string socketPath = (dir.path() / "norvane" / "bridge.sock").string();
    FrontmostSnapshot front;
    BrowserPageCache cache{front};
    std::unique_ptr<BridgeServer> server;

    void SetUp() override
    {
        ASSERT_FALSE(browser.app.empty()) << "cannot read the executable of this test's parent";
        std::string error;
        ASSERT_TRUE(ensurePrivateDirectory((dir.path() / "norvane").string(), error)) << error;
        server = BridgeServer::listen(socketPath, cache, error);
        ASSERT_TRUE(server) << error;
    }
    std::function<void()> pump()
    {
        return [this] { server->processReadable(); };
    }
    bool urlIs(const std::string& app, std::optional<std::string> want)
    {
        return eventually([&] { return copyOf(cache.currentURL(app)) == want; }, pump());
    }
};

TEST_F(BridgeServerTest, AHostSaysHelloIsAskedForThePageAndItsReportsReachTheCache)
{
    struct stat st {};
    ASSERT_EQ(::stat(socketPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    Client host(socketPath);
    ASSERT_TRUE(host.connected());
    host.send(helloJSON(browser.pid, "/usr/lib/chromium/chromium"));
    const auto query = host.receive(pump());
    ASSERT_TRUE(query);
    EXPECT_TRUE(isQuery(*query));

    front.publish(browser.app, browser.pid);
    host.send(relayedJSON(browser.pid, PageReport{1, "https://docs.example/d/abc"}));
    EXPECT_TRUE(urlIs(browser.app, "https://docs.example/d/abc"));

    // The status answer lists the bridge but never its address.
    Client ctl(socketPath);
    ctl.send(statusRequestJSON());
    const auto reply = ctl.receive(pump());
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->find("docs.example"), std::string::npos);
    const auto status = parseStatusReply(*reply);
    ASSERT_TRUE(status);
    ASSERT_EQ(status->browsers.size(), 1u);
    EXPECT_EQ(status->browsers[0].pid, browser.pid);
    EXPECT_EQ(status->browsers[0].exe, browser.exe) << "the executable is read from the kernel, not the hello";
    EXPECT_TRUE(status->browsers[0].hasPage);

    host.close();
    EXPECT_TRUE(urlIs(browser.app, std::nullopt));
    EXPECT_TRUE(eventually([&] { return server->connectionCount() == 1; }, pump())); // ctl is still there
}

TEST_F(BridgeServerTest, MalformedMessagesAreDroppedAndTheConnectionGoesOn)
{
    const auto pid = browser.pid;
    front.publish(browser.app, pid);
    Client host(socketPath);
    host.send(relayedJSON(pid, PageReport{1, "https://before-hello.example/"})); // no hello yet
    host.send("{\"type\":\"hello\",\"pid\":" + std::to_string(pid) +
              ",\"exe\":\"/usr/lib/chromium/chromium\""); // invalid JSON
    host.send(helloJSON(pid, "/usr/lib/chromium/chromium"));
    ASSERT_TRUE(host.receive(pump()));
    host.send(helloJSON(pid + 1, "/usr/lib/chromium/chromium"));                  // second hello
    host.send(relayedJSON(pid + 1, PageReport{1, "https://other-pid.example/"})); // not this host's browser
    host.send(R"({"type":"page","pid":)" + std::to_string(pid) + R"(,"windowId":"1","url":"https://typed.example/"})");
    host.send("");
    host.send(std::string(200, '{'));
    host.send(relayedJSON(pid, PageReport{1, "https://good.example/"}));
    EXPECT_TRUE(urlIs(browser.app, "https://good.example/"));
    EXPECT_EQ(server->droppedMessages(), 7u);
    EXPECT_EQ(server->connectionCount(), 1u);
}

TEST_F(BridgeServerTest, AnOversizedOrTruncatedFrameCostsOnlyItsOwnConnection)
{
    Client good(socketPath);
    good.send(helloJSON(browser.pid, "/usr/lib/chromium/chromium"));
    ASSERT_TRUE(good.receive(pump()));

    Client huge(socketPath);
    const std::uint32_t length = 0xFFFFFFF0u;
    std::string header(4, '\0');
    std::memcpy(header.data(), &length, 4);
    huge.sendRaw(header + "{\"type\":");
    EXPECT_TRUE(huge.closedByServer(pump()));

    Client capped(socketPath);
    capped.send("\"" + std::string(maxMessageBytes, 'x') + "\"");
    EXPECT_TRUE(capped.closedByServer(pump()));

    Client truncated(socketPath);
    truncated.send(helloJSON(browser.pid, "/usr/bin/firefox"));
    ASSERT_TRUE(truncated.receive(pump()));
    truncated.sendRaw(encodeFrame(relayedJSON(browser.pid, PageReport{1, "https://cut.example/"})).substr(0, 20));
    truncated.close();
    front.publish(browser.app, browser.pid);
    EXPECT_TRUE(eventually([&] { return server->connectionCount() == 1; }, pump()));
    EXPECT_EQ(cache.snapshot()->browsers.size(), 1u);
    EXPECT_FALSE(cache.currentURL(browser.app));

    good.send(relayedJSON(browser.pid, PageReport{1, "https://still.example/"}));
    EXPECT_TRUE(urlIs(browser.app, "https://still.example/"));
}

TEST_F(BridgeServerTest, PeersOfAnotherUserAreCutOffAtOnce)
{
    // The server is told it runs as someone else, so this test's own
    // connection is a foreign peer.
    std::string error;
    const auto otherPath = (dir.path() / "norvane" / "other.sock").string();
    BridgeServer::Options options;
    options.allowedUid = ::geteuid() + 1;
    const auto strict = BridgeServer::listen(otherPath, cache, error, options);
    ASSERT_TRUE(strict) << error;

    Client stranger(otherPath);
    ASSERT_TRUE(stranger.connected());
    stranger.send(helloJSON(7, "/usr/lib/chromium/chromium"));
    EXPECT_TRUE(stranger.closedByServer([&] { strict->processReadable(); }));
    EXPECT_EQ(strict->refusedPeers(), 1u);
    EXPECT_EQ(strict->connectionCount(), 0u);
    EXPECT_TRUE(cache.snapshot()->browsers.empty());
}

TEST_F(BridgeServerTest, AHelloIsBelievedOnlyFromAChildOfTheBrowserItNames)
{
    // A process of this user naming a browser that did not start it: itself,
    // or any other process.
    for (const pid_t claimed : {::getpid(), browser.pid == 1 ? ::getpid() : 1}) {
        Client forger(socketPath);
        forger.send(helloJSON(claimed, "/usr/lib/chromium/chromium"));
        EXPECT_TRUE(forger.closedByServer(pump())) << claimed;
    }
    EXPECT_EQ(server->refusedPeers(), 2u);
    EXPECT_TRUE(cache.snapshot()->browsers.empty());

    // A real host: a child of this test naming it; the executable named in the
    // hello is ignored for the one the kernel reports.
    const auto hello = encodeFrame(helloJSON(::getpid(), "/usr/lib/chromium/chromium"));
    int hold[2];
    ASSERT_EQ(::pipe(hold), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(hold[1]);
        const int fd = connectBridge(socketPath, false);
        const bool sent =
            fd >= 0 && ::send(fd, hello.data(), hello.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(hello.size());
        char byte = 0;
        [[maybe_unused]] const auto n = ::read(hold[0], &byte, 1); // until the test is done
        ::_exit(sent ? 0 : 1);
    }
    ::close(hold[0]);
    EXPECT_TRUE(eventually([&] { return cache.snapshot()->browsers.size() == 1; }, pump()));
    const auto snap = cache.snapshot();
    if (snap->browsers.size() == 1) {
        EXPECT_EQ(snap->browsers[0].pid, ::getpid());
        EXPECT_EQ(snap->browsers[0].exe, executableOf(::getpid()));
    }
    ::close(hold[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(eventually([&] { return cache.snapshot()->browsers.empty(); }, pump()));
}

TEST(PeerProcess, ThePidfdTellsWhetherTheSameProcessStillRuns)
{
    EXPECT_EQ(parentOf(::getpid()), ::getppid());
    const PinnedProcess self(::getpid());
    EXPECT_TRUE(self.running());
    EXPECT_FALSE(PinnedProcess(0).valid());

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::_exit(0);
    }
    const PinnedProcess pinned(child);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_FALSE(pinned.running());
    std::string why;
    EXPECT_FALSE(verifiedBrowserExecutable(pinned, ::getpid(), why));
}

TEST_F(BridgeServerTest, ConnectionsThatNeverSayHelloAreClosedInTime)
{
    std::string error;
    const auto strictPath = (dir.path() / "norvane" / "strict.sock").string();
    BridgeServer::Options options;
    options.maxConnections = 3;
    options.helloDeadline = 300ms;
    options.idleTimeout = 100ms;
    const auto strict = BridgeServer::listen(strictPath, cache, error, options);
    ASSERT_TRUE(strict) << error;
    const auto run = [&] { strict->processReadable(); };

    // Silent sockets fill every slot: the real host is turned away for now...
    std::vector<std::unique_ptr<Client>> silent;
    for (std::size_t i = 0; i < options.maxConnections; ++i) {
        silent.push_back(std::make_unique<Client>(strictPath));
    }
    ASSERT_TRUE(eventually([&] { return strict->connectionCount() == options.maxConnections; }, run));
    {
        Client early(strictPath);
        early.send(helloJSON(browser.pid, "/usr/lib/chromium/chromium"));
        EXPECT_TRUE(early.closedByServer(run));
    }
    // ...but only until the silent ones time out.
    for (auto& s : silent) {
        EXPECT_TRUE(s->closedByServer(run));
    }
    Client host(strictPath);
    host.send(helloJSON(browser.pid, "/usr/lib/chromium/chromium"));
    ASSERT_TRUE(host.receive(run));

    // A client that keeps talking without a hello is still closed at the
    // deadline; the host that said hello stays.
    Client chatty(strictPath);
    const auto start = std::chrono::steady_clock::now();
    bool closed = false;
    while (!closed && std::chrono::steady_clock::now() - start < 2s) {
        closed = !chatty.trySend(statusRequestJSON()) || !chatty.receive(run).has_value();
        std::this_thread::sleep_for(30ms);
    }
    EXPECT_TRUE(closed);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 250ms);
    run();
    EXPECT_EQ(strict->connectionCount(), 1u);
    EXPECT_EQ(cache.snapshot()->browsers.size(), 1u);
}

TEST_F(BridgeServerTest, TheSocketFileIsClaimedOnlyWhenNobodyElseHoldsIt)
{
    std::string error;
    EXPECT_FALSE(BridgeServer::listen(socketPath, cache, error)) << "a live listener must not be replaced";
    EXPECT_NE(error.find("already listening"), std::string::npos) << error;

    const auto plain = (dir.path() / "norvane" / "plain-file").string();
    std::ofstream(plain) << "keep me";
    EXPECT_FALSE(BridgeServer::listen(plain, cache, error));
    EXPECT_TRUE(std::filesystem::exists(plain));

    // The server removes its socket file when it goes.
    server.reset();
    EXPECT_FALSE(std::filesystem::exists(socketPath));

    // A crashed run leaves its socket file behind with nobody listening: it
    // is replaced.
    const int crashed = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(crashed, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(crashed);
    ASSERT_TRUE(std::filesystem::is_socket(socketPath));
    server = BridgeServer::listen(socketPath, cache, error);
    EXPECT_TRUE(server) << error;
}

TEST(RuntimeDirectory, TheSocketFolderIsMadePrivateOrRefused)
{
    test::TempDir dir;
    std::string error;
    const auto fresh = (dir.path() / "fresh").string();
    ASSERT_TRUE(ensurePrivateDirectory(fresh, error)) << error;
    struct stat st {};
    ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_TRUE(isPrivateDirectory(fresh, error));

    const auto loose = (dir.path() / "loose").string();
    ASSERT_EQ(::mkdir(loose.c_str(), 0755), 0);
    EXPECT_FALSE(isPrivateDirectory(loose, error)); // the host never talks through it
    EXPECT_TRUE(ensurePrivateDirectory(loose, error));
    EXPECT_TRUE(isPrivateDirectory(loose, error));

    const auto link = (dir.path() / "link").string();
    ASSERT_EQ(::symlink(fresh.c_str(), link.c_str()), 0);
    EXPECT_FALSE(ensurePrivateDirectory(link, error));
    EXPECT_FALSE(isPrivateDirectory(link, error));

    const auto file = (dir.path() / "file").string();
    std::ofstream(file) << "x";
    EXPECT_FALSE(ensurePrivateDirectory(file, error));
}

} // namespace
} // namespace norvane::linux_browser
