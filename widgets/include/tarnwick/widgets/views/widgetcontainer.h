#pragma once

#include <optional>

#include <QSize>
#include <QWidget>

#include "tarnwick/widgets/views/widgetenvironment.h"
#include "tarnwick/widgets/widgetcache.h"
#include "tarnwick/widgets/widgetkind.h"

namespace tarnwick {

class LinkArea;

/// A whole widget: the kind's view filling the widget's rounded card (top-leading), and for the unread
/// kind the whole-widget link. Every link inside is forwarded by linkActivated().
class WidgetContainer : public QWidget {
    Q_OBJECT
public:
    /// Content margins of every family, in points.
    static constexpr int kMargin = 12;
    /// Corner radius of the card.
    static constexpr qreal kCornerRadius = 20;

    WidgetContainer(WidgetKind kind, const WidgetCache& cache, const WidgetEnvironment& env,
                    QWidget* parent = nullptr);

    WidgetKind kind() const { return m_kind; }
    QWidget* content() const { return m_content; }
    /// The link of the whole widget (only the unread kind has one).
    std::optional<QString> wholeWidgetLink() const;

    /// Points of each family: small 170 x 170, medium 364 x 170, large 364 x 382.
    static QSize familySize(WidgetFamily family);

Q_SIGNALS:
    void linkActivated(const QString& link);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    WidgetKind m_kind;
    QWidget* m_content = nullptr;
    LinkArea* m_area = nullptr;
    WidgetEnvironment m_env;
};

} // namespace tarnwick
