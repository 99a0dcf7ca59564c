#pragma once

// Port: whether this program runs as the installed Tarnwick application. A program has an identity
// when it runs from an installed prefix (its executable in <prefix>/bin) that holds the
// application's desktop entry, share/applications/com.fenmoorlab.tarnwick.desktop, or, installed
// elsewhere (say /opt/tarnwick/bin with the entry in /usr/share/applications), when the desktop
// finds that entry in the XDG data directories. A binary run from the build tree has none. Everything that needs the identity (desktop notifications, claiming the
// mailto handler) asks BundleIdentity::current(), which tests can fake.

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace tarnwick {

struct BundleIdentity {
    /// The desktop entry id the application is known by (file name without ".desktop").
    static constexpr std::string_view desktopEntryId = "com.fenmoorlab.tarnwick";

    std::filesystem::path prefix;        ///< the installed prefix, e.g. /usr
    std::filesystem::path desktopEntry;  ///< prefix / share/applications/com.fenmoorlab.tarnwick.desktop

    /// The rule applied to an executable path: its directory's parent is the prefix, and the identity
    /// exists only when that prefix holds the desktop entry (a regular file).
    static std::optional<BundleIdentity> forExecutable(const std::filesystem::path& executable);
    /// forExecutable(), else the first data directory (in the desktop's order) whose applications/
    /// holds the entry, its parent taken as the prefix. An executable inside `buildTree` gets only
    /// the first rule, so a build-tree binary never borrows an installed copy's identity.
    static std::optional<BundleIdentity> find(const std::filesystem::path& executable,
                                              const std::vector<std::filesystem::path>& dataDirectories,
                                              const std::filesystem::path& buildTree);
    /// $XDG_DATA_HOME (else ~/.local/share), then $XDG_DATA_DIRS (else /usr/local/share:/usr/share);
    /// relative entries are ignored, as the XDG rules say.
    static std::vector<std::filesystem::path> xdgDataDirectories();

    /// The identity of the running program (find() for /proc/self/exe and this build's tree, computed
    /// once), or the faked one.
    static std::optional<BundleIdentity> current();

    /// Tests: make current() answer `identity` (nothing = no identity) until resetCurrent().
    static void fakeCurrent(std::optional<BundleIdentity> identity);
    static void resetCurrent();

    friend bool operator==(const BundleIdentity&, const BundleIdentity&) = default;
};

} // namespace tarnwick
