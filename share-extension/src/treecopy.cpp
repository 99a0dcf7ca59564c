#include "treecopy_p.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick::treecopy {
namespace {

// Each level holds one open directory; deeper trees are not something one shares by mail.
constexpr int kMaxDepth = 64;

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

std::error_code copyContents(int in, const std::filesystem::path& destination, Budget& budget, Report& report)
{
    Fd out(::open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (out.fd < 0)
        return lastError();
    if (::fchmod(out.fd, 0600) != 0) // whatever the umask left
        return lastError();
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return lastError();
        }
        if (got == 0)
            break;
        // Counted as read, so a file that grows while it is copied still stops at the limit.
        budget.bytes += static_cast<std::uintmax_t>(got);
        report.bytes += static_cast<std::uintmax_t>(got);
        if (budget.bytes > budget.maxBytes)
            return Error::tooManyBytes;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out.fd, buffer + done, static_cast<std::size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return lastError();
            }
            done += put;
        }
    }
    if (::close(out.fd) != 0) {
        out.fd = -1;
        return lastError();
    }
    out.fd = -1;
    return {};
}

std::error_code copyOpened(int fd, const struct stat& st, const std::filesystem::path& destination, Budget& budget,
                           Report& report, int depth);

// One entry of a shared folder, looked at without following it.
std::error_code copyChild(int parent, const char* name, const std::filesystem::path& destination, Budget& budget,
                          Report& report, int depth)
{
    struct stat st {};
    if (::fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return lastError();
    if (S_ISLNK(st.st_mode)) {
        ++report.skippedLinks;
        return {};
    }
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        ++report.skippedSpecial; // opening a device or pipe could block or have side effects
        return {};
    }
    Fd fd(::openat(parent, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.fd < 0) {
        if (errno == ELOOP) { // replaced by a link since we looked
            ++report.skippedLinks;
            return {};
        }
        return lastError();
    }
    struct stat opened {};
    if (::fstat(fd.fd, &opened) != 0)
        return lastError();
    if (opened.st_dev != st.st_dev || opened.st_ino != st.st_ino)
        return Error::notCopyable; // swapped while we looked
    return copyOpened(fd.fd, opened, destination, budget, report, depth);
}

std::error_code copyOpened(int fd, const struct stat& st, const std::filesystem::path& destination, Budget& budget,
                           Report& report, int depth)
{
    if (++budget.entries > budget.maxEntries)
        return Error::tooManyEntries;
    if (S_ISREG(st.st_mode)) {
        if (budget.bytes + static_cast<std::uintmax_t>(st.st_size) > budget.maxBytes)
            return Error::tooManyBytes; // known too big before a byte is copied
        // Regular-file reads never block, but the descriptor was opened non-blocking for pipes' sake.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return copyContents(fd, destination, budget, report);
    }
    if (!S_ISDIR(st.st_mode))
        return Error::notCopyable;
    if (depth >= kMaxDepth)
        return Error::tooDeep;
    if (::mkdir(destination.c_str(), 0700) != 0 || ::chmod(destination.c_str(), 0700) != 0)
        return lastError();
    const int listFd = ::dup(fd);
    if (listFd < 0)
        return lastError();
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        const auto error = lastError();
        ::close(listFd);
        return error;
    }
    std::error_code result;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        result = copyChild(::dirfd(dir), entry->d_name, destination / entry->d_name, budget, report, depth + 1);
        if (result)
            break;
        errno = 0;
    }
    if (!result && errno != 0)
        result = lastError();
    ::closedir(dir);
    return result;
}

class Category final : public std::error_category {
public:
    const char* name() const noexcept override { return "treecopy"; }
    std::string message(int code) const override
    {
        switch (static_cast<Error>(code)) {
        case Error::tooManyEntries: return "too many files and folders";
        case Error::tooManyBytes: return "too many bytes";
        case Error::tooDeep: return "folders nested too deeply";
        case Error::notCopyable: return "not a regular file or folder";
        case Error::containsStaging: return "contains the staging directory";
        }
        return "copy failed";
    }
};

} // namespace

std::error_code copy(const std::filesystem::path& source, const std::filesystem::path& destination, Budget& budget,
                     Report& report)
{
    struct stat looked {};
    if (::stat(source.c_str(), &looked) != 0)
        return lastError();
    if (!S_ISREG(looked.st_mode) && !S_ISDIR(looked.st_mode))
        return Error::notCopyable; // never open a device or pipe
    Fd fd(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.fd < 0)
        return lastError();
    struct stat st {};
    if (::fstat(fd.fd, &st) != 0)
        return lastError();
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        return Error::notCopyable;
    report.isDirectory = S_ISDIR(st.st_mode);
    return copyOpened(fd.fd, st, destination, budget, report, 0);
}

const std::error_category& category()
{
    static const Category instance;
    return instance;
}

std::error_code make_error_code(Error error)
{
    return {static_cast<int>(error), category()};
}

} // namespace tarnwick::treecopy
