#include "tarnwick/platform/linuxsystempaths.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef TARNWICK_APP_GROUP
#define TARNWICK_APP_GROUP ""
#endif

namespace tarnwick {
namespace {

std::string envPath(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// The id becomes one path component, so anything that could climb out of group-containers is no id.
bool usableGroupId(std::string_view id)
{
    return !id.empty() && id != "." && id != ".." && id.find('/') == std::string_view::npos
        && id.find('\0') == std::string_view::npos;
}

// mkdir -p where every directory this call creates gets mode 0700; existing ones are left alone.
bool makePrivateDirectories(const std::filesystem::path& dir)
{
    std::filesystem::path built;
    for (const auto& part : dir) {
        built /= part;
        if (::mkdir(built.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::optional<std::string> buildAppGroupIdentifier()
{
    const std::string id = TARNWICK_APP_GROUP;
    if (id.empty())
        return std::nullopt;
    return id;
}

LinuxSystemPaths::LinuxSystemPaths() : m_groupId(buildAppGroupIdentifier()) {}

LinuxSystemPaths::LinuxSystemPaths(std::optional<std::string> groupId) : m_groupId(std::move(groupId))
{
    if (m_groupId && m_groupId->empty())
        m_groupId.reset();
}

std::optional<std::string> LinuxSystemPaths::appGroupIdentifier() const
{
    return m_groupId;
}

std::optional<std::filesystem::path> LinuxSystemPaths::groupContainer(std::string_view groupId) const
{
    if (!usableGroupId(groupId))
        return std::nullopt;
    // XDG: a relative $XDG_DATA_HOME is invalid and ignored.
    std::filesystem::path dataHome = envPath("XDG_DATA_HOME");
    if (dataHome.empty() || dataHome.is_relative()) {
        const std::filesystem::path home = processHomeDirectory();
        if (home.empty() || home.is_relative())
            return std::nullopt;
        dataHome = home / ".local" / "share";
    }
    auto container = dataHome / "group-containers" / std::string(groupId);
    if (!makePrivateDirectories(container))
        return std::nullopt;
    return container;
}

std::optional<std::filesystem::path> LinuxSystemPaths::realHomeDirectory() const
{
    // The account's home, not $HOME. The reentrant form, since loggers resolve it on their own threads.
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 4096, '\0');
    passwd entry {};
    passwd* found = nullptr;
    int rc = 0;
    while ((rc = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE
           && buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (rc != 0 || !found || !found->pw_dir || found->pw_dir[0] == '\0')
        return std::nullopt;
    return std::filesystem::path(found->pw_dir);
}

std::filesystem::path LinuxSystemPaths::processHomeDirectory() const
{
    return envPath("HOME");
}

std::filesystem::path LinuxSystemPaths::temporaryDirectory() const
{
    std::string tmp = envPath("TMPDIR");
    if (tmp.empty() || tmp.front() != '/')
        tmp = "/tmp";
    return tmp;
}

std::optional<std::filesystem::path> LinuxSystemPaths::runtimeDirectory() const
{
    const std::string dir = envPath("XDG_RUNTIME_DIR");
    struct stat st {};
    if (dir.empty() || dir.front() != '/' || ::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != ::getuid() || (st.st_mode & 077) != 0)
        return std::nullopt;
    return std::filesystem::path(dir);
}

std::filesystem::path LinuxSystemPaths::cacheDirectory() const
{
    const std::string cache = envPath("XDG_CACHE_HOME");
    if (!cache.empty() && cache.front() == '/')
        return cache;
    return processHomeDirectory() / ".cache";
}

} // namespace tarnwick
