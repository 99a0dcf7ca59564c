#include "tarnwick/platform/bundleidentity.h"

#include <mutex>
#include <string>
#include <system_error>

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
    return BundleIdentity::forExecutable(exe);
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
