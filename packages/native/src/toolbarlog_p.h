#pragma once

#include <string_view>

namespace tarnwick::native {

/// One warning in the system log under the category "Toolbar": why input was ignored. The C
/// interface reports nothing to its caller, so this is the only trace.
void toolbarLog(std::string_view message);

} // namespace tarnwick::native
