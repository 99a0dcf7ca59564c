#pragma once

// The single place where toolbar actions leave the library: one C callback per process receiving
// (action, payload) as NUL-terminated UTF-8 strings that live only until the callback returns.

#include <string_view>

namespace tarnwick::native {

class ActionBridge {
public:
    using Callback = void (*)(const char* action, const char* payload);

    /// Replaces the callback; nullptr clears it. Any thread.
    static void setCallback(Callback callback);
    static Callback callback();

    /// Delivers one pair to the callback, or drops it when none is registered. Called on the UI
    /// thread; the callback runs synchronously there.
    static void emit(std::string_view action, std::string_view payload);

    ActionBridge() = delete;
};

/// Every action the library raises.
namespace action {
inline constexpr std::string_view kSwitchAccount = "switchAccount";
inline constexpr std::string_view kSearch = "search";
inline constexpr std::string_view kNewMessage = "newMessage";
inline constexpr std::string_view kArchive = "archive";
inline constexpr std::string_view kTrash = "trash";
inline constexpr std::string_view kToggleRead = "toggleRead";
inline constexpr std::string_view kReply = "reply";
inline constexpr std::string_view kReplyAll = "replyAll";
inline constexpr std::string_view kForward = "forward";
inline constexpr std::string_view kPrint = "print";
inline constexpr std::string_view kExportPdf = "exportPdf";
inline constexpr std::string_view kGoBack = "goBack";
inline constexpr std::string_view kGoForward = "goForward";
} // namespace action

} // namespace tarnwick::native
