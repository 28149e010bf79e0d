// norvanectl desktop, in a build without the Linux platform layer.
#include "commands.h"

#include <cstdio>

namespace norvane::ctl {

int runDesktop(int /*argc*/, char** /*argv*/)
{
    std::fputs("norvanectl desktop: built without the Linux desktop layer\n", stderr);
    return exitFailure;
}

} // namespace norvane::ctl
