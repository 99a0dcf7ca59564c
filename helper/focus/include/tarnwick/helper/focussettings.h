#pragma once

// "Open Focus Settings…": Tarnwick's own Focus filter window, the program `tarnwick-focus-filter --gui`.
// It is looked for beside the helper first (an installed prefix keeps both in one bin directory), then
// on PATH.

#include <string>

namespace tarnwick::FocusSettings {

/// The Focus filter program's path: `directory`'s copy when it is executable, else the one on PATH,
/// else empty.
std::string program(const std::string& directory);
/// Starts the Focus filter window, detached. Returns false, logging a warning, when it could not start.
bool open();

} // namespace tarnwick::FocusSettings
