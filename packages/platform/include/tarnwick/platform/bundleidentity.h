#pragma once

// Port: whether this program runs as the installed Tarnwick application. A program has an identity
// when it runs from an installed prefix (its executable in <prefix>/bin) that holds the
// application's desktop entry, share/applications/com.fenmoorlab.tarnwick.desktop. A binary run from
// the build tree has none. Everything that needs the identity (desktop notifications, claiming the
// mailto handler) asks BundleIdentity::current(), which tests can fake.

#include <filesystem>
#include <optional>
#include <string_view>

namespace tarnwick {

struct BundleIdentity {
    /// The desktop entry id the application is known by (file name without ".desktop").
    static constexpr std::string_view desktopEntryId = "com.fenmoorlab.tarnwick";

    std::filesystem::path prefix;        ///< the installed prefix, e.g. /usr
    std::filesystem::path desktopEntry;  ///< prefix / share/applications/com.fenmoorlab.tarnwick.desktop

    /// The rule applied to an executable path: its directory's parent is the prefix, and the identity
    /// exists only when that prefix holds the desktop entry (a regular file).
    static std::optional<BundleIdentity> forExecutable(const std::filesystem::path& executable);

    /// The identity of the running program (from /proc/self/exe, computed once), or the faked one.
    static std::optional<BundleIdentity> current();

    /// Tests: make current() answer `identity` (nothing = no identity) until resetCurrent().
    static void fakeCurrent(std::optional<BundleIdentity> identity);
    static void resetCurrent();

    friend bool operator==(const BundleIdentity&, const BundleIdentity&) = default;
};

} // namespace tarnwick
