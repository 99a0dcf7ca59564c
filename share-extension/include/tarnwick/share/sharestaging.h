#pragma once

// Where shared files are copied for the main application: a fresh owner-only directory per share,
// container/SharedFiles/<UUID> with a group container, else $TMPDIR/TarnwickShare-<UUID>. Staged
// files are owner-only too.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <system_error>

#include "tarnwick/platform/systempaths.h"

namespace tarnwick {

class ShareStaging {
public:
    /// Chooses the directory and creates it (0700, parents included); a failure to create it is not
    /// reported here: the copies into it fail later and are reported then.
    explicit ShareStaging(const SystemPaths& paths);

    const std::filesystem::path& directory() const { return m_directory; }

    struct Staged {
        std::filesystem::path path;       ///< where the copy lies
        std::uintmax_t size = 0;          ///< its size in bytes (0 when unknown)
        bool alreadyStaged = false;       ///< the same source was staged before: nothing was copied
        std::optional<std::error_code> permissionError;  ///< the copy could not be made owner-only
    };
    /// Copies `source` into the directory under its own name. When another file of this share already
    /// took that name, the copy is named "name 2.ext", "name 3.ext", ... instead, so no shared file
    /// replaces another; whatever else lies at the destination is replaced.
    std::optional<Staged> stage(const std::filesystem::path& source, std::error_code& error);

    /// "<stem> <n><.ext>" for a file name.
    static std::string numberedName(const std::filesystem::path& name, int n);
    /// A fresh upper-case hyphenated 36-character UUID (version 4).
    static std::string newUuid();

private:
    std::filesystem::path m_directory;
    std::map<std::filesystem::path, std::filesystem::path> m_stagedBySource;
    std::map<std::string, std::filesystem::path> m_sourceByName;
};

} // namespace tarnwick
