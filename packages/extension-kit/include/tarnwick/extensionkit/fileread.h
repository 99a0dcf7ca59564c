#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace tarnwick {

/// The whole contents of a regular file, or nothing with `error` set (no_such_file_or_directory when
/// nothing is there, is_a_directory for a directory). Reads are capped at `limit` bytes so a hostile
/// file cannot exhaust memory (file_too_large beyond it).
std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::error_code& error,
                                         std::size_t limit = std::size_t{1} << 30);

} // namespace tarnwick
