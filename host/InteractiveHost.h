#pragma once
// quendarx-host without a script: the host window a person drives.
#include "script/CommandLine.h"

namespace quendarx::host {

// Runs the interactive host window and returns the exit status. Called before any
// QApplication exists, with a display (or, for --screenshot, Qt's offscreen platform).
// With --screenshot it saves a picture of the window once it is shown and returns.
int runInteractiveHost(const Options& options, int& argc, char** argv);

} // namespace quendarx::host
