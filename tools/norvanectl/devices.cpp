// norvanectl devices: lists the input devices, how Norvane classifies each,
// whether it grabs or only reads it, and whether this user may read it.
#include "commands.h"
#include "devices_access.h"
#include "platform/linux/input/device_discovery.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace norvane::ctl {

namespace {

using linux_input::DeviceClass;

const char* handling(DeviceClass c)
{
    switch (c) {
    case DeviceClass::keyboard:
        return "grabbed";
    case DeviceClass::mouse:
        return "grabbed with a mouse rule, else read";
    case DeviceClass::ownOutput:
        return "Norvane's output";
    default:
        return "left alone";
    }
}

} // namespace

int runDevices(int argc, char** argv)
{
    if (argc != 1) {
        std::fprintf(stderr, "usage: norvanectl devices\n");
        return exitUsage;
    }
    (void)argv;
    const auto discovery = linux_input::DeviceDiscovery::create(false);
    if (!discovery) {
        std::fprintf(stderr, "norvanectl devices: cannot reach udev\n");
        return exitFailure;
    }
    const auto devices = discovery->enumerate();
    bool running = false;
    std::printf("%-20s %-25s %-38s %-10s %s\n", "NODE", "CLASS", "NORVANE", "ACCESS", "NAME");
    for (const auto& d : devices) {
        running = running || d.cls == DeviceClass::ownOutput;
        const bool readable = ::access(d.devnode.c_str(), R_OK) == 0;
        std::printf("%-20s %-25s %-38s %-10s %s\n", d.devnode.c_str(),
                    std::string(linux_input::className(d.cls)).c_str(), handling(d.cls),
                    readable ? "readable" : "no access", d.caps.name.c_str());
    }
    if (devices.empty()) {
        std::printf("(no input event devices)\n");
    }
    std::printf("\n%s\n", running
                              ? "Norvane is running (its output device exists): it holds the devices marked grabbed."
                              : "Norvane is not running: nothing is grabbed.");

    const auto access = linux_input::checkInputAccess();
    if (!access.canRemap()) {
        reportMissingAccess("devices", access, true);
        return exitFailure;
    }
    return exitOK;
}

} // namespace norvane::ctl
