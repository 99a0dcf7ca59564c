#pragma once

#include <string_view>

namespace tarnwick::nativelib {

/// One warning under the category "NativeToolbar" in the system log, mirrored to standard error as
/// "W|NativeToolbar|<message>" when TARNWICK_ADDON_LOG_STDERR=1 (the addon's switch). The C
/// interface reports nothing to its caller; this is how a host learns why a call was ignored.
void hostLog(std::string_view message);

} // namespace tarnwick::nativelib
