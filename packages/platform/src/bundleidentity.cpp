#include "tarnwick/platform/bundleidentity.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>
#include <system_error>

#ifndef TARNWICK_BUILD_TREE
#define TARNWICK_BUILD_TREE ""
#endif

namespace tarnwick {
namespace {

std::mutex g_mutex;
bool g_faked = false;
std::optional<BundleIdentity> g_fake;

std::optional<BundleIdentity> computeRunningIdentity()
{
    std::error_code ec;
    // The kernel's link already has symlinks resolved, so a /usr/bin symlink into a build tree
    // does not lend the build tree an identity.
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty())
        return std::nullopt;
    return BundleIdentity::find(exe, BundleIdentity::xdgDataDirectories(), TARNWICK_BUILD_TREE);
}

std::filesystem::path entryName()
{
    return std::string(BundleIdentity::desktopEntryId) + ".desktop";
}

bool isWithin(const std::filesystem::path& inner, const std::filesystem::path& outer)
{
    if (outer.empty())
        return false;
    std::error_code ec;
    auto canonicalOuter = std::filesystem::weakly_canonical(outer, ec);
    if (ec)
        canonicalOuter = outer;
    const auto rel = inner.lexically_normal().lexically_relative(canonicalOuter.lexically_normal());
    return !rel.empty() && *rel.begin() != "..";
}

} // namespace

std::optional<BundleIdentity> BundleIdentity::forExecutable(const std::filesystem::path& executable)
{
    if (executable.empty() || !executable.has_parent_path())
        return std::nullopt;
    std::error_code ec;
    auto absolute = std::filesystem::absolute(executable, ec);
    if (ec)
        return std::nullopt;
    absolute = absolute.lexically_normal();
    const auto binDir = absolute.parent_path();
    if (!binDir.has_parent_path() || binDir == binDir.root_path())
        return std::nullopt;
    const auto prefix = binDir.parent_path();
    auto entry = prefix / "share" / "applications" / (std::string(desktopEntryId) + ".desktop");
    if (!std::filesystem::is_regular_file(entry, ec) || ec)
        return std::nullopt;
    return BundleIdentity{prefix, std::move(entry)};
}

std::optional<BundleIdentity> BundleIdentity::find(const std::filesystem::path& executable,
                                                   const std::vector<std::filesystem::path>& dataDirectories,
                                                   const std::filesystem::path& buildTree)
{
    if (auto own = forExecutable(executable))
        return own;
    if (executable.empty() || isWithin(executable, buildTree))
        return std::nullopt;
    for (const auto& dir : dataDirectories) {
        if (dir.is_relative())
            continue;
        auto entry = (dir / "applications" / entryName()).lexically_normal();
        std::error_code ec;
        if (std::filesystem::is_regular_file(entry, ec) && !ec)
            return BundleIdentity{dir.lexically_normal().parent_path(), std::move(entry)};
    }
    return std::nullopt;
}

std::vector<std::filesystem::path> BundleIdentity::xdgDataDirectories()
{
    std::vector<std::filesystem::path> dirs;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (dataHome && dataHome[0] == '/')
        dirs.emplace_back(dataHome);
    else if (home && home[0] == '/')
        dirs.push_back(std::filesystem::path(home) / ".local" / "share");
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    const std::string list = dataDirs && dataDirs[0] ? dataDirs : "/usr/local/share:/usr/share";
    std::size_t from = 0;
    while (from <= list.size()) {
        const std::size_t colon = std::min(list.find(':', from), list.size());
        const std::string dir = list.substr(from, colon - from);
        if (!dir.empty() && dir.front() == '/')
            dirs.emplace_back(dir);
        from = colon + 1;
    }
    return dirs;
}

std::optional<BundleIdentity> BundleIdentity::current()
{
    {
        std::lock_guard lock(g_mutex);
        if (g_faked)
            return g_fake;
    }
    static const std::optional<BundleIdentity> running = computeRunningIdentity();
    return running;
}

void BundleIdentity::fakeCurrent(std::optional<BundleIdentity> identity)
{
    std::lock_guard lock(g_mutex);
    g_faked = true;
    g_fake = std::move(identity);
}

void BundleIdentity::resetCurrent()
{
    std::lock_guard lock(g_mutex);
    g_faked = false;
    g_fake.reset();
}

} // namespace tarnwick
