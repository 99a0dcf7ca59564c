// widget-cache.json as the widget host reads it: strict decoding, then everything the views derive
// from a snapshot (colours, date labels, the unread subset, account lookup). A snapshot that decodes
// must print and decode back to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tarnwick/rpc/json.h"
#include "tarnwick/widgets/hexcolor.h"
#include "tarnwick/widgets/widgetcache.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QTimeZone zone = QTimeZone::utc();
    static const QDateTime now = QDateTime::fromMSecsSinceEpoch(1765000000000, zone);
    static const QLocale locale(QLocale::English);
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const DecodedWidgetCache decoded = WidgetCache::decode(text);
    if (!decoded.cache) {
        if (decoded.error.empty())
            std::abort(); // a failure always says why
        return 0;
    }
    const WidgetCache& cache = *decoded.cache;
    for (const CachedAccount& account : cache.accounts)
        (void)colorFromHex(account.color, QColor(Qt::blue));
    for (const CachedMessage& message : cache.messages) {
        (void)message.displayDate(now, zone, locale);
        (void)cache.account(message);
    }
    const WidgetCache unread = cache.onlyUnread();
    if (unread.messages.size() > cache.messages.size() || unread.accounts != cache.accounts)
        std::abort();

    const auto printed = json::toString(cache.toValue());
    if (!printed)
        std::abort(); // decoded strings are UTF-8 and numbers finite, so they always print
    const DecodedWidgetCache again = WidgetCache::decode(*printed);
    if (!again.cache || !(*again.cache == cache))
        std::abort();
    return 0;
}
