#pragma once

#include "tarnwick/platform/systempaths.h"

namespace tarnwick {

/// Test fake: every answer is a field. groupContainer() gives `containerRoot / groupId` (creating it,
/// as the adapter does) only for the id in `knownGroupId`, or for any id when that is empty.
class FakeSystemPaths final : public SystemPaths {
public:
    std::optional<std::string> groupId;
    std::optional<std::filesystem::path> containerRoot;  ///< nothing = the system has no containers
    std::string knownGroupId;
    std::optional<std::filesystem::path> realHome;
    std::filesystem::path processHome;
    std::filesystem::path tempDir = "/tmp";
    std::optional<std::filesystem::path> runtimeDir;
    std::filesystem::path cacheDir = "/nonexistent/cache";

    std::optional<std::string> appGroupIdentifier() const override { return groupId; }
    std::optional<std::filesystem::path> groupContainer(std::string_view id) const override;
    std::optional<std::filesystem::path> realHomeDirectory() const override { return realHome; }
    std::filesystem::path processHomeDirectory() const override { return processHome; }
    std::filesystem::path temporaryDirectory() const override { return tempDir; }
    std::optional<std::filesystem::path> runtimeDirectory() const override { return runtimeDir; }
    std::filesystem::path cacheDirectory() const override { return cacheDir; }
};

} // namespace tarnwick
