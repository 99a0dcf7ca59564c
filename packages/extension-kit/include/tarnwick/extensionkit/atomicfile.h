#pragma once

// Whole-file replacement that readers never see half done: the bytes go to a new file beside the
// target, are flushed to disk, and the new file is renamed over the target.

#include <chrono>
#include <filesystem>
#include <string_view>
#include <sys/types.h>
#include <system_error>

namespace tarnwick::atomicfile {

/// Writes `bytes` to `target` atomically. A new file is created with `createMode` (the umask applies,
/// as for any new file); an existing target keeps nothing of its own. The parent directory must
/// exist. On failure the previous file, if any, is left as it was and no temporary file remains.
/// Temporary files that crashed writes left in the directory are removed first (removeLeftovers).
std::error_code write(const std::filesystem::path& target, std::string_view bytes, mode_t createMode = 0666);

/// Removes the temporary files of writes that never finished from `dir`: files named like write()'s
/// own, older than `minimumAge`, that no live writer holds locked.
void removeLeftovers(const std::filesystem::path& dir, std::chrono::seconds minimumAge = std::chrono::seconds(30));

} // namespace tarnwick::atomicfile
