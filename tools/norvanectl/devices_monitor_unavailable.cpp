// Without the Linux platform layer there are no input devices to list or give access to.
#include "commands.h"

#include <cstdio>

namespace norvane::ctl {

int runDevices(int, char**)
{
    std::fputs("norvanectl devices: built without the Linux input layer\n", stderr);
    return exitFailure;
}

int runMonitor(int, char**)
{
    std::fputs("norvanectl monitor: built without the Linux input layer\n", stderr);
    return exitFailure;
}

int runAccess(int, char**)
{
    std::fputs("norvanectl access: built without the Linux input layer\n", stderr);
    return exitFailure;
}

} // namespace norvane::ctl
