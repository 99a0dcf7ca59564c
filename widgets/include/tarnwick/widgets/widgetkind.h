#pragma once

// The four widget kinds the host offers, in the order it lists them.

#include <array>
#include <optional>
#include <string_view>

namespace tarnwick {

enum class WidgetFamily { small, medium, large };

enum class WidgetKind { unread, quickActions, recents, dashboard };

struct WidgetKindInfo {
    WidgetKind kind;
    std::string_view identifier;  ///< "com.fenmoorlab.tarnwick.widget.unread", ...
    std::string_view shortName;   ///< the host's command-line name: "unread", "quickactions", ...
    std::string_view displayName;
    std::string_view description;
    WidgetFamily family;          ///< the one family the kind supports
    bool configurable;            ///< takes the "Unread only" configuration (thread-list kinds)
};

namespace widgetkind {

inline constexpr std::array<WidgetKindInfo, 4> allKinds = {{
    {WidgetKind::unread, "com.fenmoorlab.tarnwick.widget.unread", "unread", "Unread",
     "Unread totals across your accounts.", WidgetFamily::small, false},
    {WidgetKind::quickActions, "com.fenmoorlab.tarnwick.widget.quickactions", "quickactions", "Quick Actions",
     "Per-account unread counts with one-tap compose.", WidgetFamily::medium, false},
    {WidgetKind::recents, "com.fenmoorlab.tarnwick.widget.recents", "recents", "Recents",
     "Your most recent threads.", WidgetFamily::medium, true},
    {WidgetKind::dashboard, "com.fenmoorlab.tarnwick.widget.dashboard", "dashboard", "Inbox Dashboard",
     "Unread counts plus your latest threads.", WidgetFamily::large, true},
}};

const WidgetKindInfo& info(WidgetKind kind);
/// The kind with this command-line name ("unread", "quickactions", "recents", "dashboard").
std::optional<WidgetKind> fromShortName(std::string_view name);
std::string_view familyName(WidgetFamily family);

} // namespace widgetkind
} // namespace tarnwick
