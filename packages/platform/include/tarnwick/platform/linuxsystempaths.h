#pragma once

#include "tarnwick/platform/systempaths.h"

namespace tarnwick {

/// The application group compiled into this build (the TARNWICK_APP_GROUP build setting); nothing
/// when the setting was empty.
std::optional<std::string> buildAppGroupIdentifier();

/// SystemPaths on Linux: the group id from the build setting, containers under
/// $XDG_DATA_HOME/group-containers/<id> (~/.local/share by default), the real home from getpwuid.
class LinuxSystemPaths final : public SystemPaths {
public:
    LinuxSystemPaths();                                              ///< the build's own group
    explicit LinuxSystemPaths(std::optional<std::string> groupId);   ///< a given group (empty = none)

    std::optional<std::string> appGroupIdentifier() const override;
    std::optional<std::filesystem::path> groupContainer(std::string_view groupId) const override;
    std::optional<std::filesystem::path> realHomeDirectory() const override;
    std::filesystem::path processHomeDirectory() const override;
    std::filesystem::path temporaryDirectory() const override;
    std::optional<std::filesystem::path> runtimeDirectory() const override;
    std::filesystem::path cacheDirectory() const override;

private:
    std::optional<std::string> m_groupId;
};

} // namespace tarnwick
