#pragma once

#include <string>
#include <vector>

using GDBusConnection = struct _GDBusConnection;
using GVariant = struct _GVariant;

namespace norvane::testing {

// A session bus of the test's own (dbus-daemon on a socket in a temporary
// folder), stopped and removed with the object.
class PrivateSessionBus {
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    [[nodiscard]] bool ok() const { return !address_.empty(); }
    [[nodiscard]] const std::string& address() const noexcept { return address_; }

private:
    std::string dir_;
    std::string address_;
    int pid_ = -1;
};

// One client connection on a bus, for playing the shell or an intruder.
class BusClient {
public:
    explicit BusClient(const std::string& address);
    ~BusClient();
    BusClient(const BusClient&) = delete;
    BusClient& operator=(const BusClient&) = delete;

    [[nodiscard]] GDBusConnection* connection() const noexcept { return conn_; }
    [[nodiscard]] std::string uniqueName() const;
    bool own(const std::string& name);
    bool release(const std::string& name);
    // The unique name owning `name`, empty when none.
    std::string ownerOf(const std::string& name);

    // Calls `method` of org.norvane.Shell1 on org.norvane.Norvane (`args`
    // is consumed if floating). Returns the D-Bus error name, empty on
    // success; the reply goes to `reply` when given (unref it).
    std::string call(const char* method, GVariant* args, GVariant** reply = nullptr);
    std::string hello();
    std::string activated(const std::string& id, const std::string& appID, const std::string& wmClass, int pid);
    struct Window {
        std::string id, appID, wmClass;
        int pid = 0;
        bool userFacing = true;
        bool minimized = false;
    };
    std::string windows(const std::vector<Window>& list);
    // The same list as a KWin script sends it: av of av.
    std::string windowList(const std::vector<Window>& list);

private:
    GDBusConnection* conn_ = nullptr;
};

} // namespace norvane::testing
