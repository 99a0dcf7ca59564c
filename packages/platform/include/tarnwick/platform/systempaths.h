#pragma once

// Port: where this program finds the places it shares with the rest of Tarnwick. Every program gets
// its answers from SystemPaths::current() (the Linux adapter unless a program or test installs
// another), so tests point homes and containers into temporary directories.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

class SystemPaths {
public:
    virtual ~SystemPaths() = default;

    /// The application group this program belongs to, or nothing for a build without one.
    virtual std::optional<std::string> appGroupIdentifier() const = 0;
    /// The shared container of `groupId`, created (mode 0700) when missing; nothing when it cannot be
    /// made. Like the system's lookup it does not check that the program belongs to the group.
    virtual std::optional<std::filesystem::path> groupContainer(std::string_view groupId) const = 0;
    /// The user's home from the password database, whatever $HOME says; nothing without an entry.
    virtual std::optional<std::filesystem::path> realHomeDirectory() const = 0;
    /// The home directory the process environment reports; may be empty.
    virtual std::filesystem::path processHomeDirectory() const = 0;
    /// The directory for temporary files ($TMPDIR, else /tmp).
    virtual std::filesystem::path temporaryDirectory() const = 0;
    /// The user's runtime directory ($XDG_RUNTIME_DIR) when it is set, absolute, and a directory of
    /// this user's alone; nothing otherwise.
    virtual std::optional<std::filesystem::path> runtimeDirectory() const = 0;
    /// The user's cache directory ($XDG_CACHE_HOME when absolute, else ~/.cache); it may not exist yet.
    virtual std::filesystem::path cacheDirectory() const = 0;

    /// The container of this program's own group; nothing without a group or a container.
    std::optional<std::filesystem::path> appGroupContainer() const;
    /// `name` directly inside appGroupContainer().
    std::optional<std::filesystem::path> appGroupFile(std::string_view name) const;
    /// `name` in "Library/Application Support/Tarnwick" under the real home, where files lie for a
    /// build without a group; nothing without a password database entry.
    std::optional<std::filesystem::path> legacyFile(std::string_view name) const;

    /// The process-wide instance. Installing one (not owned; it must outlive every use) is meant for
    /// program entry points and tests; nullptr restores the Linux adapter.
    static const SystemPaths& current();
    static void setCurrent(const SystemPaths* paths);
};

} // namespace tarnwick
