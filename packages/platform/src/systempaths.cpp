#include "tarnwick/platform/systempaths.h"

#include <atomic>

#include "tarnwick/platform/linuxsystempaths.h"

namespace tarnwick {
namespace {

std::atomic<const SystemPaths*> g_installed{nullptr};

} // namespace

std::optional<std::filesystem::path> SystemPaths::appGroupContainer() const
{
    const auto id = appGroupIdentifier();
    if (!id || id->empty())
        return std::nullopt;
    return groupContainer(*id);
}

std::optional<std::filesystem::path> SystemPaths::appGroupFile(std::string_view name) const
{
    auto container = appGroupContainer();
    if (!container)
        return std::nullopt;
    return *container / name;
}

std::optional<std::filesystem::path> SystemPaths::legacyFile(std::string_view name) const
{
    auto home = realHomeDirectory();
    if (!home)
        return std::nullopt;
    return *home / "Library" / "Application Support" / "Tarnwick" / name;
}

const SystemPaths& SystemPaths::current()
{
    if (const SystemPaths* installed = g_installed.load(std::memory_order_acquire))
        return *installed;
    static const LinuxSystemPaths adapter;
    return adapter;
}

void SystemPaths::setCurrent(const SystemPaths* paths)
{
    g_installed.store(paths, std::memory_order_release);
}

} // namespace tarnwick
