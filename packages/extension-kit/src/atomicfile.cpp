#include "tarnwick/extensionkit/atomicfile.h"

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick::atomicfile {
namespace {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

std::string randomSuffix()
{
    static thread_local std::mt19937_64 engine{std::random_device{}()};
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string s(8, 'x');
    for (char& c : s)
        c = kChars[engine() % (sizeof kChars - 1)];
    return s;
}

// ".<name>.<8 letters or digits>.tmp", the names write() gives its temporary files.
bool isTemporaryName(std::string_view name)
{
    constexpr std::string_view kSuffix = ".tmp";
    if (name.size() < 1 + 1 + 1 + 8 + kSuffix.size() || name.front() != '.' || !name.ends_with(kSuffix))
        return false;
    const std::string_view random = name.substr(name.size() - kSuffix.size() - 8, 8);
    if (name[name.size() - kSuffix.size() - 9] != '.')
        return false;
    for (const char c : random)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

} // namespace

void removeLeftovers(const std::filesystem::path& dir, std::chrono::seconds minimumAge)
{
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return;
    DIR* listing = ::fdopendir(dirFd);
    if (!listing) {
        ::close(dirFd);
        return;
    }
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(listing)) {
        if (!isTemporaryName(entry->d_name))
            continue;
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (now - st.st_mtime < minimumAge.count())
            continue; // perhaps a writer between creating its file and locking it
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        // A live writer holds its temporary file locked; one that crashed holds nothing.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(listing);
}

std::error_code write(const std::filesystem::path& target, std::string_view bytes, mode_t createMode)
{
    if (target.filename().empty())
        return std::make_error_code(std::errc::is_a_directory);
    const std::filesystem::path dir = target.parent_path().empty() ? "." : target.parent_path();
    removeLeftovers(dir);

    std::filesystem::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = dir / ("." + target.filename().string() + "." + randomSuffix() + ".tmp");
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode);
        if (fd < 0 && errno != EEXIST)
            return lastError();
    }
    if (fd < 0)
        return std::make_error_code(std::errc::file_exists);
    // Held until the file is renamed or removed, so removeLeftovers() in other processes spares it.
    ::flock(fd, LOCK_EX | LOCK_NB);

    std::error_code failure;
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const ssize_t n = ::write(fd, rest.data(), rest.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            failure = lastError();
            break;
        }
        rest.remove_prefix(static_cast<std::size_t>(n));
    }
    if (!failure && ::fsync(fd) != 0)
        failure = lastError();
    if (::close(fd) != 0 && !failure)
        failure = lastError();
    if (!failure && ::rename(temp.c_str(), target.c_str()) != 0)
        failure = lastError();
    if (failure)
        ::unlink(temp.c_str());
    return failure;
}

} // namespace tarnwick::atomicfile
