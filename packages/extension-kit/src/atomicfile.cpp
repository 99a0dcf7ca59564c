#include "tarnwick/extensionkit/atomicfile.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <string>
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

} // namespace

std::error_code write(const std::filesystem::path& target, std::string_view bytes, mode_t createMode)
{
    if (target.filename().empty())
        return std::make_error_code(std::errc::is_a_directory);
    const std::filesystem::path dir = target.parent_path().empty() ? "." : target.parent_path();

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
