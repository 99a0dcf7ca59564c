#include "tarnwick/widgets/views/linkarea.h"

#include <QMouseEvent>
#include <QUrl>

namespace tarnwick {

LinkArea::LinkArea(const QString& link, QWidget* parent) : QWidget(parent)
{
    if (isValidLink(link)) {
        m_link = link;
        setCursor(Qt::PointingHandCursor);
        setToolTip(link);
    }
    setProperty("link", m_link ? QVariant(*m_link) : QVariant());
}

bool LinkArea::isValidLink(const QString& text)
{
    static const QString allowed = QStringLiteral(
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~:/?#[]@!$&'()*+,;=%");
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!allowed.contains(c))
            return false;
        if (c == QLatin1Char('%')) {
            const auto isHex = [&](qsizetype j) {
                return j < text.size() && QStringLiteral("0123456789abcdefABCDEF").contains(text.at(j));
            };
            if (!isHex(i + 1) || !isHex(i + 2))
                return false;
        }
    }
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() && !url.scheme().isEmpty();
}

void LinkArea::mousePressEvent(QMouseEvent* event)
{
    if (!m_link || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_pressed = true;
    event->accept();
}

void LinkArea::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_link || !m_pressed) {
        event->ignore();
        return;
    }
    m_pressed = false;
    event->accept();
    if (rect().contains(event->position().toPoint()))
        Q_EMIT activated(*m_link);
}

} // namespace tarnwick
