#pragma once

// The texts the toolbar shows, all supplied by the main application in its own language; the
// library has none of its own.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick::native {

/// Keys the reusable layer reads itself (the application's items read more, see ToolbarManager).
namespace labelkey {
inline constexpr std::string_view kSearch = "toolbar.search";
inline constexpr std::string_view kSignInRequired = "toolbar.signInRequired";
inline constexpr std::string_view kAccountUnknown = "toolbar.account.unknown";
inline constexpr std::string_view kAccountNoUnread = "toolbar.account.noUnread";
inline constexpr std::string_view kAccountOneUnread = "toolbar.account.oneUnread";
inline constexpr std::string_view kAccountUnread = "toolbar.account.unread";
inline constexpr std::string_view kAccountSignInRequired = "toolbar.account.signInRequired";
} // namespace labelkey

class ToolbarLabels {
public:
    using Map = std::map<std::string, std::string, std::less<>>;
    using Placeholders = std::map<std::string, std::string, std::less<>>;

    ToolbarLabels() = default;
    explicit ToolbarLabels(Map values) : m_values(std::move(values)) {}

    /// The text for `key`, or "" when there is none (no fallback text).
    std::string operator[](std::string_view key) const;

    /// The text for `key` with every "{name}" whose name `values` holds replaced by its value;
    /// other placeholders stay as they are. One pass over the text: inserted values are never
    /// scanned again, so an account named "{count}" stays "{count}".
    std::string format(std::string_view key, const Placeholders& values) const;

    /// Labels JSON: {"labels": {key: text, ...}}. Nothing (and a log line) unless the text parses,
    /// is an object, and its "labels" member is an object of strings only.
    static std::optional<ToolbarLabels> fromJson(std::string_view json);

    const Map& values() const { return m_values; }
    friend bool operator==(const ToolbarLabels&, const ToolbarLabels&) = default;

private:
    Map m_values;
};

} // namespace tarnwick::native
