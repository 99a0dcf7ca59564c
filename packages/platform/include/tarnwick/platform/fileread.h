#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace tarnwick {

/// The largest file readWholeFile() reads unless told otherwise.
inline constexpr std::size_t kDefaultReadLimit = std::size_t{16} << 20;

/// The whole contents of a regular file, or nothing with `error` set. The files read this way live in
/// folders other programs of the user can write to, so the read never blocks and never follows what
/// another program put in the file's place: no_such_file_or_directory when nothing is there,
/// is_a_directory for a directory, too_many_symbolic_link_levels for a symbolic link,
/// not_supported for anything else that is not a regular file (a FIFO, a socket, a device), and
/// file_too_large beyond `limit` bytes (checked before reading, and again while reading a file that
/// grows).
std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::error_code& error,
                                         std::size_t limit = kDefaultReadLimit);

} // namespace tarnwick
