#include "tarnwick/platform/fakesystempaths.h"

#include <system_error>

namespace tarnwick {

std::optional<std::filesystem::path> FakeSystemPaths::groupContainer(std::string_view id) const
{
    if (!containerRoot || id.empty() || (!knownGroupId.empty() && id != knownGroupId))
        return std::nullopt;
    auto dir = *containerRoot / std::string(id);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec)
        return std::nullopt;
    return dir;
}

} // namespace tarnwick
