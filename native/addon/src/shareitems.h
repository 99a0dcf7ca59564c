#pragma once

// What the sharing picker shares, made from the script's strings.

#include <QString>
#include <QUrl>

#include <string>
#include <vector>

namespace tarnwick::addon {

struct ShareItem {
    enum class Kind { WebUrl, FileUrl, Text };
    Kind kind;
    QUrl url;     ///< WebUrl and FileUrl
    QString text; ///< Text

    /// The item as one line of plain text: the URL, the local path of a file, or the text.
    QString displayText() const;
};

/// One item per string, in order: "http://" and "https://" give web URLs and "file://" file URLs
/// (each left out when it does not parse strictly), "/" a file URL of that path, anything else text.
std::vector<ShareItem> makeShareItems(const std::vector<std::string>& strings);

} // namespace tarnwick::addon
