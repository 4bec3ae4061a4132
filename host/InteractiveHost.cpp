#include "InteractiveHost.h"
#include "script/CommandLine.h"
#include <cstdio>

namespace quendarx::host {

// The interactive host window is still to come; until then it says so and stops.
int runInteractiveHost(int& argc, char** argv) {
    (void)argc;
    (void)argv;
    std::fputs("quendarx-host: the interactive host window is not available yet\n", stderr);
    std::fputs(usageText(), stderr);
    return 2;
}

} // namespace quendarx::host
