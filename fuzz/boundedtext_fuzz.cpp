// Texts bounded before they go onto the session bus (banner summary and body, tray title and
// tooltip), then escaped for servers that read markup, as the notification center does: the bound
// holds, a cut is marked, no surrogate pair is split, and the escaped text carries no raw markup.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "tarnwick/platform/boundedtext.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype limit = size ? 1 + data[0] % 64 : 1;
    const QString bounded = tarnwick::boundedText(text, limit);
    if (text.size() <= limit) {
        if (bounded != text)
            std::abort();
    } else {
        if (bounded.size() > limit || !bounded.endsWith(QChar(0x2026)))
            std::abort();
        // The cut never falls between the two halves of a surrogate pair.
        if (bounded.size() >= 2 && bounded.at(bounded.size() - 2).isHighSurrogate())
            std::abort();
    }
    const QString escaped = bounded.toHtmlEscaped();
    if (escaped.contains(QLatin1Char('<')) || escaped.contains(QLatin1Char('>')))
        std::abort();
    return 0;
}
