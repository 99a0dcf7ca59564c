#pragma once

// Copies one shared file or folder into the staging area without ever leaving the shared tree:
// symbolic links inside a folder are skipped (not followed, not copied: a copied link would point
// the main application back out of the staging area), so are devices, sockets and pipes; every
// copy is created owner-only (files 0600, folders 0700) whatever the source's modes; the copy
// stops at the share's size and entry limits.

#include <cstdint>
#include <filesystem>
#include <system_error>

namespace tarnwick::treecopy {

struct Budget {
    std::uintmax_t maxEntries = 0;  ///< files and folders, the shared item itself included
    std::uintmax_t maxBytes = 0;    ///< bytes of file contents
    std::uintmax_t entries = 0;     ///< used so far (across every item of one share)
    std::uintmax_t bytes = 0;
};

struct Report {
    std::uintmax_t bytes = 0;             ///< bytes copied for this item
    std::uintmax_t skippedLinks = 0;      ///< symbolic links left out
    std::uintmax_t skippedSpecial = 0;    ///< devices, sockets and pipes left out
    bool isDirectory = false;
};

/// Copies `source` (followed if it is itself a link: the user chose it) to `destination`, which must
/// not exist. On failure whatever was created is left for the caller to remove.
std::error_code copy(const std::filesystem::path& source, const std::filesystem::path& destination, Budget& budget,
                     Report& report);

/// Errors of the copy that are not the system's.
enum class Error {
    tooManyEntries = 1,
    tooManyBytes,
    tooDeep,
    notCopyable,
    containsStaging,  ///< the source holds the staging directory (set by the staging, not the copy)
};
const std::error_category& category();
std::error_code make_error_code(Error error);

} // namespace tarnwick::treecopy

template <>
struct std::is_error_code_enum<tarnwick::treecopy::Error> : std::true_type {};
