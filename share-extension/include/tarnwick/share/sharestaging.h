#pragma once

// Where shared files are copied for the main application: a fresh owner-only directory per share,
// container/SharedFiles/<UUID> with a group container, else $TMPDIR/TarnwickShare-<UUID>. Everything
// staged is owner-only (files 0600, folders 0700). Shared folders are copied without following the
// symbolic links inside them, and one share stays within a count and a size limit.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "tarnwick/platform/systempaths.h"

namespace tarnwick {

/// How much one share may copy.
struct ShareLimits {
    std::uintmax_t maxEntries = 10000;                 ///< files and folders in one share
    std::uintmax_t maxBytes = std::uintmax_t{1} << 30; ///< bytes of file contents in one share (1 GiB)
};

class ShareStaging {
public:
    using Limits = ShareLimits;

    /// Chooses the directory and creates it (0700, parents included); a failure to create it is not
    /// reported here: the copies into it fail later and are reported then.
    explicit ShareStaging(const SystemPaths& paths, Limits limits = {});

    const std::filesystem::path& directory() const { return m_directory; }
    const Limits& limits() const { return m_limits; }

    struct Staged {
        std::filesystem::path path;       ///< where the copy lies
        std::uintmax_t size = 0;          ///< bytes of file contents copied (0 when unknown)
        bool alreadyStaged = false;       ///< the same source was staged before: nothing was copied
        bool isDirectory = false;
        std::uintmax_t skippedLinks = 0;  ///< symbolic links inside a shared folder, left out
        std::uintmax_t skippedSpecial = 0; ///< devices, sockets and pipes inside a shared folder, left out
        std::optional<std::error_code> permissionError;  ///< the copy could not be made owner-only
    };
    /// Copies `source` into the directory under its own name. When another file of this share already
    /// took that name, the copy is named "name 2.ext", "name 3.ext", ... instead, so no shared file
    /// replaces another; whatever else lies at the destination is replaced. A source that contains
    /// the staging directory is refused (it would copy itself into itself); a copy that fails or
    /// goes over the limits is removed again.
    std::optional<Staged> stage(const std::filesystem::path& source, std::error_code& error);

    /// Where stage() would put each of `sources`, in order, without copying anything: the paths a
    /// hand-off would carry (a source staged twice appears once; unusable sources are left out).
    std::vector<std::filesystem::path> plan(const std::vector<std::filesystem::path>& sources) const;

    /// A log text for an error of stage(), naming the limit a share went over.
    std::string describe(const std::error_code& error) const;

    /// Removes the directory again if nothing was staged into it.
    void discardIfEmpty();

    /// "<stem> <n><.ext>" for a file name.
    static std::string numberedName(const std::filesystem::path& name, int n);
    /// A fresh upper-case hyphenated 36-character UUID (version 4).
    static std::string newUuid();

private:
    std::optional<std::filesystem::path> sourceKey(const std::filesystem::path& source, std::error_code& error) const;
    std::filesystem::path destinationFor(const std::filesystem::path& name,
                                         const std::map<std::string, std::filesystem::path>& taken) const;

    std::filesystem::path m_directory;
    Limits m_limits;
    std::uintmax_t m_entries = 0;
    std::uintmax_t m_bytes = 0;
    std::map<std::filesystem::path, std::filesystem::path> m_stagedBySource;
    std::map<std::string, std::filesystem::path> m_sourceByName;
};

} // namespace tarnwick
