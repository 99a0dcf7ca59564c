#pragma once

// The snapshot the main application leaves for the widgets, widget-cache.json, and what the views
// derive from it. Decoding is strict: a missing required key, a value of the wrong kind or an integer
// field that is not whole fails the whole snapshot.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tarnwick/rpc/value.h"
#include "tarnwick/widgets/cachedaccount.h"
#include "tarnwick/widgets/cachedmessage.h"

namespace tarnwick {

class SystemPaths;
class WidgetLog;


struct WidgetCache {
    double updatedAt = 0;
    std::int64_t totalUnread = 0;
    std::vector<CachedAccount> accounts;
    std::vector<CachedMessage> messages;

    /// No accounts, no messages, zero totals: what the widgets show when nothing can be loaded.
    static WidgetCache empty() { return {}; }

    /// The same snapshot with only the unread messages (totals and accounts unchanged).
    WidgetCache onlyUnread() const;
    /// The first account whose id is the message's account id.
    const CachedAccount* account(const CachedMessage& message) const;

    /// The decoded snapshot, or the printed decoding error.
    static struct DecodedWidgetCache decode(std::string_view json);
    /// The JSON form (optional fields left out when absent).
    Value toValue() const;

    /// The snapshot from the group container ("widget-cache.json" directly in it). Never fails: every
    /// failure is logged and gives empty().
    static WidgetCache load(const SystemPaths& paths, WidgetLog& log);
    /// The snapshot from a given file, with the same checks and log lines as load().
    static WidgetCache loadFile(const std::filesystem::path& file, WidgetLog& log);
    /// What identifies the snapshot's current version (device, inode, size, modification time),
    /// without reading or logging anything; a fixed text when there is no file or no container.
    static std::string fingerprint(const SystemPaths& paths);

    friend bool operator==(const WidgetCache&, const WidgetCache&) = default;
};

struct DecodedWidgetCache {
    std::optional<WidgetCache> cache;
    std::string error; ///< set exactly when there is no cache
};

/// Snapshot files larger than this are refused rather than read into memory.
inline constexpr std::uintmax_t kMaxSnapshotBytes = 32u * 1024u * 1024u;

} // namespace tarnwick
