#pragma once

// The four widget views and the container every one of them sits in.

#include <memory>

#include <QSize>
#include <QWidget>

#include "tarnwick/widgets/views/widgetenvironment.h"
#include "tarnwick/widgets/widgetcache.h"
#include "tarnwick/widgets/widgetkind.h"

namespace tarnwick {

/// Unread (small): brand mark, the total, "unread", the first three accounts.
class SmallWidgetView : public QWidget {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxAccounts = 3;
    SmallWidgetView(const WidgetCache& cache, const WidgetEnvironment& env, QWidget* parent = nullptr);
};

/// Quick actions (medium): header with the name; tiles for one or two accounts, a grid from three.
class QuickActionsWidgetView : public QWidget {
    Q_OBJECT
public:
    QuickActionsWidgetView(const WidgetCache& cache, const WidgetEnvironment& env, QWidget* parent = nullptr);
};

/// Recents (medium): header with compose; the first three messages.
class RecentsWidgetView : public QWidget {
    Q_OBJECT
public:
    static constexpr std::size_t kMessageLimit = 3;
    RecentsWidgetView(const WidgetCache& cache, const WidgetEnvironment& env, QWidget* parent = nullptr);
};

/// Inbox dashboard (large): header, account grid, "RECENT" and up to five (under three accounts) or
/// four messages.
class DashboardWidgetView : public QWidget {
    Q_OBJECT
public:
    DashboardWidgetView(const WidgetCache& cache, const WidgetEnvironment& env, QWidget* parent = nullptr);
    static std::size_t messageLimit(std::size_t accountCount) { return accountCount < 3 ? 5 : 4; }
};

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
    class LinkArea* m_area = nullptr;
    WidgetEnvironment m_env;
};

/// The view of `kind` for `cache` in its container, laid out at its family size.
std::unique_ptr<WidgetContainer> makeWidget(WidgetKind kind, const WidgetCache& cache, const WidgetEnvironment& env);

/// The widget drawn into a transparent image at `devicePixelRatio` pixels per point (the image
/// carries that ratio, so it is sharp at 2x).
QImage renderWidget(QWidget& widget, qreal devicePixelRatio);

} // namespace tarnwick
