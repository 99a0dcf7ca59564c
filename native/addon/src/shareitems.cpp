#include "shareitems.h"

namespace tarnwick::addon {

QString ShareItem::displayText() const
{
    switch (kind) {
    case Kind::WebUrl:
        return url.toString(QUrl::FullyEncoded);
    case Kind::FileUrl:
        return url.toLocalFile();
    case Kind::Text:
        break;
    }
    return text;
}

std::vector<ShareItem> makeShareItems(const std::vector<std::string>& strings)
{
    std::vector<ShareItem> items;
    items.reserve(strings.size());
    for (const std::string& raw : strings) {
        const QString string = QString::fromStdString(raw);
        const bool web = string.startsWith(QLatin1String("http://")) || string.startsWith(QLatin1String("https://"));
        const bool file = string.startsWith(QLatin1String("file://"));
        if (web || file) {
            const QUrl url(string, QUrl::StrictMode);
            if (!url.isValid() || (web && url.host().isEmpty()))
                continue;
            items.push_back({web ? ShareItem::Kind::WebUrl : ShareItem::Kind::FileUrl, url, {}});
        } else if (string.startsWith(QLatin1Char('/'))) {
            items.push_back({ShareItem::Kind::FileUrl, QUrl::fromLocalFile(string), {}});
        } else {
            items.push_back({ShareItem::Kind::Text, {}, string});
        }
    }
    return items;
}

} // namespace tarnwick::addon
