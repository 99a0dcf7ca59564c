#include "tarnwick/platform/fileread.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick {

std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::error_code& error,
                                         std::size_t limit)
{
    error.clear();
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) {
        error = errno == ELOOP ? std::make_error_code(std::errc::too_many_symbolic_link_levels)
                               : std::error_code(errno, std::generic_category());
        return std::nullopt;
    }
    std::string out;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = {errno, std::generic_category()};
    } else if (S_ISDIR(st.st_mode)) {
        error = std::make_error_code(std::errc::is_a_directory);
    } else if (!S_ISREG(st.st_mode)) {
        error = std::make_error_code(std::errc::not_supported);
    } else if (static_cast<std::uintmax_t>(st.st_size) > limit) {
        error = std::make_error_code(std::errc::file_too_large);
    } else {
        if (st.st_size > 0)
            out.reserve(static_cast<std::size_t>(st.st_size) < limit ? static_cast<std::size_t>(st.st_size) : limit);
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                error = {errno, std::generic_category()};
                break;
            }
            if (n == 0)
                break;
            if (out.size() + static_cast<std::size_t>(n) > limit) {
                error = std::make_error_code(std::errc::file_too_large);
                break;
            }
            out.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    if (error)
        return std::nullopt;
    return out;
}

} // namespace tarnwick
