#pragma once

// The addon's log (TarnwickAddonLog): the system log under the subsystem "com.fenmoorlab.tarnwick"
// with the category "NativeToolbar". Thread-safe; the drop sequence writes from the UI thread.
//
// With TARNWICK_ADDON_LOG_STDERR=1 in the environment every record is also written to standard
// error as "<level letter>|NativeToolbar|<message>", so a test or a developer can watch the addon
// without reading the journal.

#include <string_view>

namespace tarnwick::addon {

class AddonLog {
public:
    enum class Level { Debug, Info, Error };

    static void debug(std::string_view message) { write(Level::Debug, message); }
    static void info(std::string_view message) { write(Level::Info, message); }
    static void error(std::string_view message) { write(Level::Error, message); }

    static void write(Level level, std::string_view message);
};

} // namespace tarnwick::addon
