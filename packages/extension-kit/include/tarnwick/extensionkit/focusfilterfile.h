#pragma once

// focus-filter.json: the Focus filter state that the Focus filter tool writes and the helper reads.
// A pretty-printed JSON object with "activeAccountIds" (array of strings), "disableExcludedAccounts"
// (boolean), "isFilterActive" (boolean, true exactly when ids are present) and "timestamp" (seconds
// since 1970 with fractions). Plain JSON, never sealed. Readers must not depend on key order.
// focus-filter-dnd.json, beside it and in the same format, is the filter the user chose for the times
// the desktop's Do Not Disturb is on; no such file means Do Not Disturb leaves the filter alone.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "tarnwick/platform/systempaths.h"

namespace tarnwick {

struct FocusFilterState {
    std::vector<std::string> activeAccountIds;  ///< in the order the user chose them
    bool disableExcludedAccounts = false;
    bool isFilterActive() const { return !activeAccountIds.empty(); }
    friend bool operator==(const FocusFilterState&, const FocusFilterState&) = default;
};

class FocusFilterFile {
public:
    static constexpr std::string_view kFileName = "focus-filter.json";
    static constexpr std::string_view kDoNotDisturbFileName = "focus-filter-dnd.json";

    /// Where the file lies: in this program's group container when it has one, else in
    /// "Library/Application Support/Tarnwick/" under the real home; nothing without a password entry.
    static std::optional<std::filesystem::path> location(const SystemPaths& paths = SystemPaths::current());
    /// Where the Do Not Disturb choice lies: beside location(), by the same rules.
    static std::optional<std::filesystem::path> doNotDisturbLocation(const SystemPaths& paths = SystemPaths::current());

    /// The four-key pretty-printed document.
    static std::string encode(const FocusFilterState& state, double timestamp);
    /// The state in `text`, or nothing unless it is a JSON object. Values of the wrong kind fall back to
    /// the defaults (no ids, false); "isFilterActive" and "timestamp" are not read.
    static std::optional<FocusFilterState> decode(std::string_view text);

    enum class ReadStatus { Loaded, Missing, Unreadable };
    struct ReadResult {
        ReadStatus status = ReadStatus::Missing;
        FocusFilterState state;  ///< meaningful when Loaded
    };
    /// Missing: no file at `path`. Unreadable: it could not be read or decode() refused it.
    static ReadResult read(const std::filesystem::path& path);

    /// Replaces the file atomically with encode(state, timestamp). Creates no directory and changes no
    /// permissions.
    static std::error_code write(const std::filesystem::path& path, const FocusFilterState& state, double timestamp);

    /// Seconds since 1970-01-01 UTC, with fractions.
    static double now();
};

} // namespace tarnwick
