#pragma once

// The building blocks the four widget views are made of. Each is a plain QWidget subtree: texts are
// TextViews, symbols SymbolViews, tappable parts LinkAreas, so the tree can be inspected.

#include <QWidget>

#include "tarnwick/widgets/views/linkarea.h"
#include "tarnwick/widgets/views/widgetenvironment.h"
#include "tarnwick/widgets/widgetcache.h"

class QBoxLayout;

namespace tarnwick {

/// "42" for the "%lld" texts and "42 unread" for "%lld unread".
QString countText(std::int64_t count);
QString unreadText(std::int64_t count);
QString qs(const std::string& text);

/// The compose symbol (12 points, primary colour) inside a link.
LinkArea* makeComposeButton(const QString& link, const WidgetEnvironment& env, QWidget* parent = nullptr);
/// `content` wrapped in a link to the account's inbox.
LinkArea* makeAccountLink(const CachedAccount& account, QWidget* content, QWidget* parent = nullptr);

/// Brand mark, optionally "Tarnwick", a flexible space, "N unread", optionally the compose button.
class WidgetHeader : public QWidget {
    Q_OBJECT
public:
    WidgetHeader(std::int64_t totalUnread, bool showsName, bool showsCompose, const WidgetEnvironment& env,
                 QWidget* parent = nullptr);
};

/// Centred symbol and message: "All caught up" (green check) or "Open Tarnwick to sync" (envelope).
class EmptyState : public QWidget {
    Q_OBJECT
public:
    EmptyState(bool caughtUp, const WidgetEnvironment& env, QWidget* parent = nullptr);
    bool caughtUp() const { return m_caughtUp; }

private:
    bool m_caughtUp;
};

/// One account as a 34-point chip: dot, name, unread count, optionally a compose button.
class AccountChip : public RoundedPanel {
    Q_OBJECT
public:
    AccountChip(const CachedAccount& account, bool showsCompose, const WidgetEnvironment& env,
                QWidget* parent = nullptr);
};

/// The first four accounts as chips, two per row; a lone chip in a row stays half wide.
class AccountGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxAccounts = 4;
    AccountGrid(const std::vector<CachedAccount>& accounts, bool showsCompose, const WidgetEnvironment& env,
                QWidget* parent = nullptr);
};

/// One account as a tile for the quick-actions widget: dot, name, compose; count over "unread".
class AccountTile : public RoundedPanel {
    Q_OBJECT
public:
    AccountTile(const CachedAccount& account, const WidgetEnvironment& env, QWidget* parent = nullptr);
};

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

/// The first `limit` messages, each a row inside a link to its thread, on a rounded panel.
class MessageGroup : public RoundedPanel {
    Q_OBJECT
public:
    MessageGroup(const WidgetCache& cache, std::size_t limit, bool fillsHeight, const WidgetEnvironment& env,
                 QWidget* parent = nullptr);
};

/// Lays out texts side by side on one shared baseline.
class BaselineRow : public QWidget {
    Q_OBJECT
public:
    BaselineRow(std::vector<class TextView*> texts, int spacing, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

private:
    void place();
    int maxAscent() const;
    std::vector<class TextView*> m_texts;
    int m_spacing;
};

} // namespace tarnwick
