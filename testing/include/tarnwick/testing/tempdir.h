#pragma once

#include <filesystem>
#include <string>

namespace tarnwick::testing {

/// A fresh directory under $TMPDIR, removed with everything in it when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

    /// Writes `contents` to `relative`, creating parent directories.
    std::filesystem::path write(const std::string& relative, const std::string& contents) const;

private:
    std::filesystem::path m_path;
};

std::string readFile(const std::filesystem::path& path);

} // namespace tarnwick::testing
