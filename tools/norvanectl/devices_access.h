#pragma once

#include "platform/linux/input/input_access.h"

#include <cstdio>
#include <string>

namespace norvane::ctl {

// Says on standard error what access is missing and how to grant it.
inline void reportMissingAccess(const char* command, const linux_input::InputAccess& access, bool needOutput)
{
    std::string problems;
    const auto add = [&problems](const std::string& problem) {
        problems += (problems.empty() ? "" : ", and ") + problem;
    };
    if (access.eventNodes == 0) {
        add("no input event devices were found in /dev/input");
    } else if (access.readableNodes < access.eventNodes) {
        add(std::to_string(access.eventNodes - access.readableNodes) + " of " + std::to_string(access.eventNodes) +
            " input event devices are not readable");
    }
    if (needOutput && !access.uinputWritable) {
        add("/dev/uinput is not writable");
    }
    std::fprintf(stderr, "norvanectl %s: no access to the input devices: %s.\nGrant it with:\n\n%s", command,
                 problems.c_str(), linux_input::manualAccessCommands().c_str());
}

} // namespace norvane::ctl
