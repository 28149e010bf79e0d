// Added latency of the app as it runs, inside the kernel test VM: the real
// norvane binary in a process of its own, this program in another. A
// "physical" uinput keyboard is typed on; each key is timed until it can be
// read from the app's output device (pass-through: J stays J; rewrite: a rule
// turns K into X), against reading the keyboard directly. Under emulation a
// key then pays two process switches that the in-process test (the input
// layer as a thread of the test) does not.
//
// The app gets a private home, configuration and runtime folder and the
// offscreen Qt platform, and is started twice:
// - without any bus, as the VM has none: it warns that it cannot follow the
//   window in front or the login session, keeps the devices held, finds no
//   tray and opens its main window (drawn offscreen), whose pages then follow
//   each rule that fires (hit counts, recent activity);
// - with a session bus (dbus-daemon) and a panel's tray on it (TRAY_HOST),
//   as on a desktop: it lives in the tray and its window stays closed.
// Timing starts once it passes keys and has used no processor time for a
// while. Each setup types keys back to back (as the in-process test does)
// and then paced, as a person types.
//
//   vm_app_latency APP [--tray TRAY_HOST] [PROGRAM [ARGUMENTS...]]
//
// PROGRAM, when given, runs first in the same boot with its output passed on
// (the in-process latency test, for figures to set beside these). Run through
// bench/vm_app_latency.sh, which builds the VM.
#include "key_latency.h"
#include "platform/linux/input/device_class.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace norvane::bench {
namespace {

using namespace std::chrono_literals;
using kernel_test::EventReader;
using kernel_test::FakeDevice;
using kernel_test::KeyLatency;

const std::string base = "/tmp/norvane-latency";
constexpr const char* config = R"({"version": 2, "preferences": {"showHUD": false}, "groups": [{
    "name": "latency", "scope": {"mode": "all", "apps": [], "urls": []},
    "mappings": [{"trigger": "k", "action": {"type": "keys", "keys": "x"}, "note": ""}]}]})";
// A session bus for one user, anyone on it may own any name.
constexpr const char* busConfig = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>
<policy context="default"><allow send_destination="*"/><allow receive_sender="*"/><allow own="*"/></policy></busconfig>
)";

// One way of typing: how many key changes, and how long before each.
struct Typing {
    const char* title;
    int count;
    std::chrono::microseconds gap;
};

// Back to back, as the in-process test types: the next key as soon as the
// last arrived, so the app's main thread (counting a rule's hits, redrawing
// an open window) competes with the keys for the one processor. Paced, as a
// person types: the app has finished with one key when the next comes.
constexpr Typing typings[] = {{"keys back to back", 10000, {}}, {"one key change every 20 ms", 1000, 20ms}};

bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream file(path);
    file << text;
    return static_cast<bool>(file);
}

std::string readFile(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Starts `argv` (looked up in PATH) with `env` (the caller's environment when
// empty) and its standard output into `output` when given; -1 when it cannot
// be started.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
            const std::string& output = {})
{
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    std::vector<char*> vars;
    vars.reserve(env.size() + 1);
    for (const auto& v : env) {
        vars.push_back(const_cast<char*>(v.c_str()));
    }
    vars.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!output.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.empty() ? environ : vars.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// The exit status of `pid`, or nullopt when it has not ended within `limit`.
std::optional<int> waitExit(pid_t pid, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(20ms);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Asks `pid` to quit; its exit status, or nullopt when it had to be killed.
std::optional<int> stop(pid_t pid)
{
    ::kill(pid, SIGTERM);
    auto status = waitExit(pid, 30s);
    if (!status) {
        ::kill(pid, SIGKILL);
        waitExit(pid, 5s);
    }
    return status;
}

// The event node of the app's output device, empty until it exists.
std::string outputDevnode()
{
    const std::string wanted(linux_input::outputName);
    DIR* dir = ::opendir("/dev/input");
    if (dir == nullptr) {
        return {};
    }
    std::string found;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string node = std::string("/dev/input/") + entry->d_name;
        if (std::string_view(entry->d_name).starts_with("event")) {
            const int fd = ::open(node.c_str(), O_RDONLY | O_CLOEXEC);
            char name[256] = {};
            if (fd >= 0 && ::ioctl(fd, EVIOCGNAME(sizeof name - 1), name) >= 0 && wanted == name) {
                found = node;
            }
            ::close(fd);
        }
    }
    ::closedir(dir);
    return found;
}

// Processor time used, in clock ticks, from a /proc/.../stat file; the
// thread's name in `name` when asked for.
long statTicks(const std::string& path, std::string* name = nullptr)
{
    const std::string line = readFile(path);
    const auto open = line.find('(');
    const auto end = line.rfind(')'); // the name may hold spaces and brackets
    if (open == std::string::npos || end == std::string::npos || end < open) {
        return 0;
    }
    if (name != nullptr) {
        *name = line.substr(open + 1, end - open - 1);
    }
    std::istringstream fields(line.substr(end + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i) { // fields 3..13: state up to cmajflt
        fields >> skip;
    }
    long user = 0;
    long system = 0;
    fields >> user >> system;
    return user + system;
}

// Processor time the process has used, all its threads.
long cpuTicks(pid_t pid)
{
    return statTicks("/proc/" + std::to_string(pid) + "/stat");
}

using ThreadTicks = std::map<std::string, std::pair<std::string, long>>; // id: name, ticks

ThreadTicks threadTicks(pid_t pid)
{
    ThreadTicks threads;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    if (DIR* dir = ::opendir(tasks.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.') {
                auto& [name, ticks] = threads[entry->d_name];
                ticks = statTicks(tasks + "/" + entry->d_name + "/stat", &name);
            }
        }
        ::closedir(dir);
    }
    return threads;
}

// Where the app spent its processor time between two samples, per key
// change: "main thread norvane 12.0 us, norvane 80.0 us" (threads that used
// none left out; the input thread keeps the program's name).
std::string threadTimes(pid_t pid, const ThreadTicks& before, const ThreadTicks& after, int keys)
{
    const double usPerTick = 1e6 / static_cast<double>(::sysconf(_SC_CLK_TCK));
    std::string text;
    for (const auto& [tid, thread] : after) {
        const auto it = before.find(tid);
        const long used = thread.second - (it != before.end() ? it->second.second : 0);
        if (used > 0) {
            char part[128];
            std::snprintf(part, sizeof part, "%s%s%s %.1f us", text.empty() ? "" : ", ",
                          tid == std::to_string(pid) ? "main thread " : "", thread.first.c_str(),
                          static_cast<double>(used) * usPerTick / keys);
            text += part;
        }
    }
    return text.empty() ? "none" : text;
}

// Waits until `pid` has used at most two ticks over four seconds: longer than
// the app waits for a tray before it opens its window, so its start-up work is
// over.
bool settled(pid_t pid, std::chrono::seconds limit)
{
    std::vector<long> ticks{cpuTicks(pid)};
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1s);
        ticks.push_back(cpuTicks(pid));
        if (ticks.size() > 4 && ticks.back() - ticks[ticks.size() - 5] <= 2) {
            return true;
        }
    }
    return false;
}

// Taps J until the app passes it to its output: the keyboard is grabbed and
// the rules run.
bool passesKeys(FakeDevice& keyboard, EventReader& output, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        keyboard.tap(KEY_J);
        for (auto ev = output.next(200ms); ev; ev = output.next(200ms)) {
            if (ev->type == EV_KEY && ev->code == KEY_J && ev->value == 0) {
                std::this_thread::sleep_for(100ms);
                output.discard();
                return true;
            }
        }
    }
    return false;
}

// A session bus and a panel's tray on it, stopped with the object.
class Desktop {
public:
    explicit Desktop(const std::string& trayHost)
    {
        const std::string dir = base + "/bus";
        ::mkdir(dir.c_str(), 0700);
        // dbus-daemon refuses to start when its user has no entry, and the VM
        // has no user database.
        if (::access("/etc/passwd", F_OK) != 0) {
            ::mkdir("/etc", 0755);
            writeFile("/etc/passwd", "root:x:0:0:root:/root:/bin/sh\n");
        }
        if (!writeFile(dir + "/bus.conf", busConfig)) {
            return;
        }
        const std::string addressFile = dir + "/address";
        bus_ = spawn({"dbus-daemon", "--nofork", "--config-file=" + dir + "/bus.conf", "--print-address"}, {},
                     addressFile);
        std::string text;
        kernel_test::waitUntil([&] { return (text = readFile(addressFile)).find('\n') != std::string::npos; }, {}, 30s);
        if (bus_ < 0 || text.find('\n') == std::string::npos) {
            return;
        }
        address_ = "DBUS_SESSION_BUS_ADDRESS=" + text.substr(0, text.find('\n'));
        const std::string ready = dir + "/tray-ready";
        tray_ = spawn({trayHost, ready}, {"PATH=/bin", "QT_QPA_PLATFORM=offscreen", address_});
        if (tray_ < 0 || !kernel_test::waitUntil([&] { return ::access(ready.c_str(), F_OK) == 0; }, {}, 60s)) {
            address_.clear();
        }
    }
    ~Desktop()
    {
        for (const pid_t pid : {tray_, bus_}) {
            if (pid > 0) {
                stop(pid);
            }
        }
    }
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // "DBUS_SESSION_BUS_ADDRESS=...", empty when the bus or the tray did not start.
    [[nodiscard]] const std::string& address() const noexcept { return address_; }

private:
    pid_t bus_ = -1;
    pid_t tray_ = -1;
    std::string address_;
};

// The app's environment: private folders, offscreen, a bus only when given.
std::vector<std::string> appEnvironment(const std::string& busAddress)
{
    for (const char* dir : {"", "/home", "/config", "/config/norvane", "/runtime"}) {
        ::mkdir((base + dir).c_str(), 0700);
    }
    if (!writeFile(base + "/config/norvane/config.json", config)) {
        return {};
    }
    std::vector<std::string> env{"PATH=/bin", "HOME=" + base + "/home", "XDG_CONFIG_HOME=" + base + "/config",
                                 "XDG_RUNTIME_DIR=" + base + "/runtime", "QT_QPA_PLATFORM=offscreen"};
    if (!busAddress.empty()) {
        env.push_back(busAddress);
    }
    return env;
}

struct Figures {
    KeyLatency direct;
    KeyLatency pass;
    KeyLatency rewrite;
    std::string passTimes; // the app's processor time per key change, by thread
    std::string rewriteTimes;
};

void print(const char* setup, const Typing& typing, const Figures& f)
{
    std::printf("LATENCY separate process, %s, %s:\n", setup, typing.title);
    printKeyLatency("direct", f.direct);
    printKeyLatency("pass-through", f.pass);
    printKeyLatency("rewrite", f.rewrite);
    std::printf("LATENCY added: pass-through p50 %+.1f us p99 %+.1f us; rewrite p50 %+.1f us p99 %+.1f us\n",
                f.pass.p50us - f.direct.p50us, f.pass.p99us - f.direct.p99us, f.rewrite.p50us - f.direct.p50us,
                f.rewrite.p99us - f.direct.p99us);
    std::printf("LATENCY over direct: pass-through p50 x%.2f p99 x%.2f; rewrite p50 x%.2f p99 x%.2f\n",
                f.pass.p50us / f.direct.p50us, f.pass.p99us / f.direct.p99us, f.rewrite.p50us / f.direct.p50us,
                f.rewrite.p99us / f.direct.p99us);
    std::printf("LATENCY app processor time per key change: pass-through %s; rewrite %s\n", f.passTimes.c_str(),
                f.rewriteTimes.c_str());
    std::fflush(stdout);
}

// Starts the app, types each way on `keyboard` through it and stops it.
// False when it never passed a key, lost one, or did not quit cleanly and
// let go of the keyboard.
bool measureApp(const char* setup, const std::string& app, const std::string& busAddress, FakeDevice& keyboard,
                Figures (&figures)[std::size(typings)])
{
    const auto env = appEnvironment(busAddress);
    const pid_t pid = env.empty() ? -1 : spawn({app}, env);
    if (pid < 0) {
        std::printf("LATENCY %s: cannot start %s\n", setup, app.c_str());
        return false;
    }
    std::string devnode;
    kernel_test::waitUntil([&] { return !(devnode = outputDevnode()).empty(); }, {}, 120s);
    std::optional<EventReader> output;
    if (!devnode.empty()) {
        output.emplace(devnode);
    }
    if (!output || !output->isOpen() || !passesKeys(keyboard, *output, 60s)) {
        std::printf("LATENCY %s: the app never passed a key to its output device\n", setup);
        stop(pid);
        return false;
    }
    if (!settled(pid, 120s)) {
        std::printf("LATENCY %s: the app still used the processor after 120 s; measuring anyway\n", setup);
    }

    int lost = 0;
    for (std::size_t i = 0; i < std::size(typings); ++i) {
        const Typing& t = typings[i];
        Figures& f = figures[i];
        const auto start = threadTicks(pid);
        f.pass = measureKeyLatency(keyboard, *output, KEY_J, KEY_J, t.count, t.gap);
        const auto passed = threadTicks(pid);
        f.rewrite = measureKeyLatency(keyboard, *output, KEY_K, KEY_X, t.count, t.gap);
        f.passTimes = threadTimes(pid, start, passed, t.count);
        f.rewriteTimes = threadTimes(pid, passed, threadTicks(pid), t.count);
        lost += f.pass.lost + f.rewrite.lost;
        if (i + 1 < std::size(typings)) {
            settled(pid, 60s); // what a round left for the main thread is done before the next
        }
    }
    output.reset();
    const auto status = stop(pid);
    const bool letGo = !kernel_test::grabbedByAnother(keyboard.devnode());
    for (std::size_t i = 0; i < std::size(typings); ++i) {
        print(setup, typings[i], figures[i]);
    }
    std::printf("LATENCY %s: app exit status %s; keyboard %s\n", setup,
                status ? std::to_string(*status).c_str() : "none (killed)", letGo ? "let go" : "still grabbed");
    std::fflush(stdout);
    return lost == 0 && status == 0 && letGo;
}

int run(const std::string& app, const std::string& trayHost)
{
    ::mkdir(base.c_str(), 0700);
    auto keyboard = FakeDevice::keyboard("Latency Keyboard");
    Figures direct[std::size(typings)];
    {
        EventReader physical(keyboard->devnode());
        if (!physical.isOpen()) {
            std::fprintf(stderr, "vm_app_latency: cannot read %s\n", keyboard->devnode().c_str());
            return 1;
        }
        for (std::size_t i = 0; i < std::size(typings); ++i) {
            direct[i].direct = measureKeyLatency(*keyboard, physical, KEY_J, KEY_J, typings[i].count, typings[i].gap);
        }
    }

    Figures figures[std::size(typings)];
    std::copy(std::begin(direct), std::end(direct), std::begin(figures));
    bool ok = measureApp("no bus, window open", app, {}, *keyboard, figures);
    if (!trayHost.empty()) {
        const Desktop desktop(trayHost);
        if (desktop.address().empty()) {
            std::printf("LATENCY in the tray: the session bus or the tray did not start\n");
            return 1;
        }
        std::copy(std::begin(direct), std::end(direct), std::begin(figures));
        ok = measureApp("in the tray, window closed", app, desktop.address(), *keyboard, figures) && ok;
    }
    return ok && direct[0].direct.lost == 0 ? 0 : 1;
}

} // namespace
} // namespace norvane::bench

int main(int argc, char* argv[])
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fprintf(stderr, "usage: vm_app_latency APP [--tray TRAY_HOST] [PROGRAM [ARGUMENTS...]]\n");
        return 2;
    }
    const std::string app = args[0];
    args.erase(args.begin());
    std::string trayHost;
    if (args.size() >= 2 && args[0] == "--tray") {
        trayHost = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    int first = 0;
    if (!args.empty()) {
        std::printf("LATENCY in process (%s):\n", args[0].c_str());
        std::fflush(stdout);
        const pid_t pid = norvane::bench::spawn(args);
        const auto status = pid < 0 ? std::nullopt : norvane::bench::waitExit(pid, std::chrono::hours(1));
        first = status.value_or(1);
        std::printf("LATENCY %s ended with status %d\n", args[0].c_str(), first);
        std::fflush(stdout);
    }
    const int own = norvane::bench::run(app, trayHost);
    return own != 0 ? own : first;
}
