#pragma once

// tarnwick-focus-filter without a command (or with --gui), as its desktop entry starts it: the Focus
// filter window instead of the command line.

#include <string>
#include <vector>

namespace tarnwick::FocusFilterGui {

/// Whether the arguments (without the program name) ask for the window: none, or just "--gui".
bool wanted(const std::vector<std::string>& args);
/// Runs the window until it is closed; the program's exit status.
int run(int& argc, char** argv);

} // namespace tarnwick::FocusFilterGui
