#include "tarnwick/platform/boundedtext.h"

#include <QTextBoundaryFinder>

namespace tarnwick {

QString boundedText(const QString& text, qsizetype limit)
{
    if (text.size() <= limit)
        return text;
    if (limit < 1)
        return {};
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    graphemes.setPosition(limit - 1); // room for the ellipsis
    if (!graphemes.isAtBoundary())
        graphemes.toPreviousBoundary();
    const qsizetype cut = std::max<qsizetype>(graphemes.position(), 0);
    return text.left(cut) + QChar(0x2026);
}

} // namespace tarnwick
