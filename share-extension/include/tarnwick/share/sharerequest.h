#pragma once

// One share: stages the shared files, keeps the last link and text, and hands everything to the main
// application by opening the tarnwick://share URL. Every step is logged to the share logger.

#include <optional>
#include <string>
#include <vector>

#include "tarnwick/extensionkit/extensionlogger.h"
#include "tarnwick/platform/systempaths.h"
#include "tarnwick/platform/urilauncher.h"
#include "tarnwick/share/sharestaging.h"

namespace tarnwick {

struct ShareItem {
    enum class Kind { File, Link, Text };
    Kind kind;
    std::string value;  ///< a path or file:// URL, a link, or the text
};

class ShareRequest {
public:
    /// The longest hand-off URL: the desktop passes it to the main application as one program argument,
    /// and Linux refuses a longer argument (MAX_ARG_STRLEN, 32 pages, terminating NUL included).
    static constexpr std::size_t kMaxHandoffUrlBytes = 32 * 4096 - 1;

    /// All three must outlive the request.
    ShareRequest(const SystemPaths& paths, ExtensionLogger& logger, UriLauncher& launcher,
                 ShareStaging::Limits limits = {});

    /// TooLarge: the hand-off URL would be longer than kMaxHandoffUrlBytes; refused before anything
    /// was copied.
    enum class Outcome { NothingShared, Opened, OpenFailed, TooLarge };
    /// Processes the items in order and completes the request.
    Outcome run(const std::vector<ShareItem>& items);

    /// What the last run handed off (empty before).
    const std::string& handoffUrl() const { return m_handoffUrl; }
    const std::vector<std::string>& stagedFiles() const { return m_files; }
    /// The local path a file item names: a path as it is, or a file URL on this host; nothing for
    /// anything else.
    static std::optional<std::string> localPath(const std::string& item);
    /// Characters as a person counts them (grapheme clusters).
    static std::size_t characterCount(const std::string& text);

private:
    const SystemPaths& m_paths;
    ExtensionLogger& m_logger;
    UriLauncher& m_launcher;
    ShareStaging::Limits m_limits;
    std::vector<std::string> m_files;
    std::string m_handoffUrl;
};

} // namespace tarnwick
