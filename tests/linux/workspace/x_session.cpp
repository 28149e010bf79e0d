#include "x_session.h"

#include "test_window.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

extern char** environ;

namespace norvane::testing {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto startLimit = std::chrono::seconds(15);

int spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv, int keepFd)
{
    std::vector<char*> args;
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        const std::string_view entry(*e);
        const auto key = entry.substr(0, entry.find('=') + 1);
        if (std::none_of(extraEnv.begin(), extraEnv.end(), [&](const std::string& x) { return x.starts_with(key); })) {
            envStrings.emplace_back(entry);
        }
    }
    envStrings.insert(envStrings.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> env;
    for (auto& e : envStrings) {
        env.push_back(e.data());
    }
    env.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        // Nothing outlives a test program that crashed.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, STDIN_FILENO);
        dup2(devnull, STDOUT_FILENO);
        dup2(devnull, STDERR_FILENO);
        for (int fd = 3; fd < 1024; ++fd) {
            if (fd != keepFd) {
                close(fd);
            }
        }
        execvpe(args[0], args.data(), env.data());
        _exit(127);
    }
    return pid;
}

// Whether the root window has the property, waiting for PropertyNotify.
bool waitForRootProperty(const std::string& display, const std::string& name)
{
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> owner(c, xcb_disconnect);
    if (xcb_connection_has_error(c)) {
        return false;
    }
    const auto root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    auto* atomReply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr);
    const auto atom = atomReply ? atomReply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(atomReply);
    const auto deadline = Clock::now() + startLimit;
    while (Clock::now() < deadline) {
        auto* reply =
            xcb_get_property_reply(c, xcb_get_property(c, 0, root, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1), nullptr);
        const bool present = reply && reply->type != XCB_ATOM_NONE;
        std::free(reply);
        if (present) {
            return true;
        }
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const int ready = poll(&fd, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        while (auto* event = xcb_poll_for_event(c)) {
            std::free(event);
        }
        if (xcb_connection_has_error(c)) {
            return false;
        }
    }
    return false;
}

} // namespace

int spawnQuiet(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv)
{
    return spawn(argv, extraEnv, -1);
}

void stopProcess(int pid)
{
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

std::unique_ptr<XSession> XSession::start(const std::vector<std::string>& wm, const std::string& readyProperty,
                                          std::string* error)
{
    std::unique_ptr<XSession> session(new XSession());
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        *error = "pipe failed";
        return nullptr;
    }
    // -displayfd: the server picks a free display and writes its number
    // once it accepts connections.
    session->serverPid_ =
        spawn({"Xvfb", "-displayfd", std::to_string(pipeFds[1]), "-nolisten", "tcp", "-screen", "0", "1024x768x24"}, {},
              pipeFds[1]);
    close(pipeFds[1]);
    std::string number;
    pollfd fd{pipeFds[0], POLLIN, 0};
    while (poll(&fd, 1, static_cast<int>(std::chrono::milliseconds(startLimit).count())) > 0) {
        char c = 0;
        if (read(pipeFds[0], &c, 1) != 1 || c == '\n') {
            break;
        }
        number += c;
    }
    close(pipeFds[0]);
    if (number.empty()) {
        *error = "Xvfb did not start";
        return nullptr;
    }
    session->display_ = ":" + number;
    if (!wm.empty()) {
        // The tests point the data directories at their fixtures; the
        // window manager needs the system's (its themes).
        // On a loaded machine a window manager now and then dies while it
        // starts; one more start tells that apart from a real failure.
        for (int attempt = 0; attempt < 2; ++attempt) {
            session->wmPid_ =
                spawn(wm, {"DISPLAY=" + session->display_, "XDG_DATA_DIRS=/usr/local/share:/usr/share"}, -1);
            if (waitForRootProperty(session->display_, readyProperty)) {
                break;
            }
            int status = 0;
            const bool ended = waitpid(session->wmPid_, &status, WNOHANG) == session->wmPid_;
            if (!ended) {
                stopProcess(session->wmPid_);
            }
            session->wmPid_ = -1;
            *error = "the window manager did not start: " + wm.front() +
                     (ended ? " (exit status " + std::to_string(status) + ")" : " (no answer)");
        }
        if (session->wmPid_ < 0) {
            return nullptr;
        }
        error->clear();
        // A window manager announces itself before it handles requests, and
        // may drop a window mapped in between: a probe window it has mapped
        // shows it is ready.
        bool ready = false;
        for (int attempt = 0; attempt < 20 && !ready; ++attempt) {
            TestWindow probe(session->display_, {"Probe", "probe", "", 0});
            ready = probe.waitMapped(true, std::chrono::milliseconds(500));
            probe.destroy();
        }
        if (!ready) {
            *error = "the window manager does not map windows: " + wm.front();
            return nullptr;
        }
    }
    return session;
}

XSession::~XSession()
{
    stopProcess(wmPid_);
    stopProcess(serverPid_);
}

} // namespace norvane::testing
