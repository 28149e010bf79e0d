// norvanectl browser, in a build without the Linux platform layer.
#include "commands.h"

#include <cstdio>

namespace norvane::ctl {

int runBrowser(int /*argc*/, char** /*argv*/)
{
    std::fputs("norvanectl browser: this build has no browser bridge (built without the Linux platform layer)\n",
               stderr);
    return exitFailure;
}

} // namespace norvane::ctl
