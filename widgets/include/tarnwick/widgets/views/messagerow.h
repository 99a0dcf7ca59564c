#pragma once

#include <QColor>
#include <QWidget>

#include "tarnwick/widgets/views/widgetenvironment.h"
#include "tarnwick/widgets/widgetcache.h"

namespace tarnwick {

/// One message: sender and date; subject, unread dot and category symbol; accent bar and tint.
class MessageRow : public QWidget {
    Q_OBJECT
public:
    MessageRow(const CachedMessage& message, const QColor& accent, bool showsDivider, bool stretches,
               const WidgetEnvironment& env, QWidget* parent = nullptr);

    QColor accent() const { return m_accent; }
    bool isUnread() const { return m_unread; }
    bool showsDivider() const { return m_showsDivider; }
    /// "Unread" or "Read".
    QString accessibilityValue() const { return m_unread ? QStringLiteral("Unread") : QStringLiteral("Read"); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_accent;
    bool m_unread;
    bool m_showsDivider;
    WidgetEnvironment m_env;
};

} // namespace tarnwick
