#include "tarnwick/share/sharestaging.h"

#include <cerrno>
#include <openssl/rand.h>
#include <random>
#include <sys/stat.h>

namespace tarnwick {
namespace {

void makePrivateDirectories(const std::filesystem::path& dir)
{
    std::filesystem::path built;
    for (const auto& part : dir) {
        built /= part;
        if (::mkdir(built.c_str(), 0700) != 0 && errno != EEXIST)
            return;
    }
    // An existing final directory (the UUID makes that unlikely) is made owner-only too.
    ::chmod(dir.c_str(), 0700);
}

} // namespace

std::string ShareStaging::newUuid()
{
    unsigned char b[16];
    if (RAND_bytes(b, sizeof b) != 1) {
        std::random_device device;
        for (auto& byte : b)
            byte = static_cast<unsigned char>(device());
    }
    b[6] = static_cast<unsigned char>((b[6] & 0x0f) | 0x40);
    b[8] = static_cast<unsigned char>((b[8] & 0x3f) | 0x80);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out += '-';
        out += kHex[b[i] >> 4];
        out += kHex[b[i] & 0x0f];
    }
    return out;
}

ShareStaging::ShareStaging(const SystemPaths& paths)
{
    if (auto container = paths.appGroupContainer())
        m_directory = *container / "SharedFiles" / newUuid();
    else
        m_directory = paths.temporaryDirectory() / ("TarnwickShare-" + newUuid());
    makePrivateDirectories(m_directory);
}

std::string ShareStaging::numberedName(const std::filesystem::path& name, int n)
{
    return name.stem().string() + " " + std::to_string(n) + name.extension().string();
}

std::optional<ShareStaging::Staged> ShareStaging::stage(const std::filesystem::path& source, std::error_code& error)
{
    namespace fs = std::filesystem;
    error.clear();
    const fs::path absolute = fs::absolute(source, error);
    if (error)
        return std::nullopt;
    fs::path key = fs::weakly_canonical(absolute, error);
    if (error) {
        error.clear();
        key = absolute.lexically_normal();
    }
    if (const auto it = m_stagedBySource.find(key); it != m_stagedBySource.end()) {
        std::error_code ignored;
        const auto size = fs::is_regular_file(it->second, ignored) ? fs::file_size(it->second, ignored) : 0;
        return Staged{it->second, ignored ? 0 : size, true, std::nullopt};
    }
    const fs::path name = key.filename();
    if (name.empty()) {
        error = std::make_error_code(std::errc::invalid_argument);
        return std::nullopt;
    }
    if (!fs::exists(key, error)) {
        if (!error)
            error = std::make_error_code(std::errc::no_such_file_or_directory);
        return std::nullopt;
    }

    fs::path destination = m_directory / name;
    for (int n = 2; m_sourceByName.count(destination.filename().string()); ++n)
        destination = m_directory / numberedName(name, n);

    // Whatever lies there (not from this share) is replaced.
    std::error_code statusError;
    if (fs::exists(fs::symlink_status(destination, statusError))) {
        fs::remove_all(destination, error);
        if (error)
            return std::nullopt;
    }
    fs::copy(key, destination, fs::copy_options::recursive, error);
    if (error)
        return std::nullopt;

    Staged staged{destination, 0, false, std::nullopt};
    const bool isDirectory = fs::is_directory(destination, error);
    // A directory keeps its search bit, or its contents could not be reached.
    if (::chmod(destination.c_str(), isDirectory ? 0700 : 0600) != 0)
        staged.permissionError = std::error_code(errno, std::generic_category());
    std::error_code sizeError;
    if (!isDirectory) {
        staged.size = fs::file_size(destination, sizeError);
        if (sizeError)
            staged.size = 0;
    }
    error.clear();
    m_stagedBySource.emplace(key, destination);
    m_sourceByName.emplace(destination.filename().string(), key);
    return staged;
}

} // namespace tarnwick
