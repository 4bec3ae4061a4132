#pragma once
// quendarx-host without a script: the host window a person drives.

namespace quendarx::host {

// Runs the interactive host window and returns the exit status. Called with a display
// available and before any QApplication exists.
int runInteractiveHost(int& argc, char** argv);

} // namespace quendarx::host
