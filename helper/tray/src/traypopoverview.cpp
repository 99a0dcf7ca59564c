#include "tarnwick/helper/traypopoverview.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <map>

#include "tarnwick/brand/brandmark.h"
#include "tarnwick/helper/traybanner.h"
#include "tarnwick/helper/traymessagerow.h"
#include "tarnwick/helper/traysearchfield.h"
#include "tarnwick/helper/traystyle.h"
#include "tarnwick/helper/verificationcodecard.h"
#include "tarnwick/ui/accountdot.h"
#include "tarnwick/ui/describedmenuentries.h"
#include "traypopoverfocusring_p.h"
#include "traypopovermenustyle_p.h"
#include "traypopovertext_p.h"

namespace tarnwick {

namespace {

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

// A one-pixel line across the popover.
class Hairline : public QWidget {
public:
    explicit Hairline(QWidget* parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("divider"));
        setFixedHeight(1);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), traystyle::primary(0.1));
    }
};

QLabel* textLabel(const QString& text, const QFont& font, std::function<QColor()> ink, QWidget* parent)
{
    auto* label = traystyle::plainLabel(text, parent);
    label->setFont(font);
    traystyle::inkLabel(label, std::move(ink));
    return label;
}

// A centred notice in the tertiary colour. The padding lives in a layout around the label: style
// sheets elsewhere in the popover reset a label's own margins.
QLabel* paddedLabel(const QString& text, const QFont& font, int verticalPadding, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, verticalPadding, 0, verticalPadding);
    column->setSpacing(0);
    QLabel* label = textLabel(text, font, traystyle::tertiary, box);
    label->setAlignment(Qt::AlignCenter);
    column->addWidget(label);
    return label;
}

QToolButton* accessoryButton(QWidget* parent, const char* name)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoRaise(true);
    // Tab reaches it; a click leaves the keyboard in the search field.
    button->setFocusPolicy(Qt::TabFocus);
    button->setCursor(Qt::PointingHandCursor);
    TrayPopoverFocusRing::attach(button, 5);
    // Menus open from the symbol itself: no arrow beside it.
    traystyle::keepStyled(button, [button] {
        button->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 2px; border-radius: 5px; }"
                                             "QToolButton:hover { background: %1; }"
                                             "QToolButton::menu-indicator { image: none; width: 0; }")
                                  .arg(traystyle::css(traystyle::primary(0.08))));
    });
    return button;
}

// The scrolling list's frame: a rounded, faintly filled rectangle with an outline; the rows are
// clipped to it.
class MessageList : public QScrollArea {
public:
    explicit MessageList(QWidget* parent)
        : QScrollArea(parent)
    {
        setObjectName(QStringLiteral("messageList"));
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(true);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        // The rows take the keyboard, not the frame around them.
        setFocusPolicy(Qt::NoFocus);
        verticalScrollBar()->setFocusPolicy(Qt::NoFocus);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setViewportMargins(1, 1, 1, 1);
        viewport()->setAutoFillBackground(false);
        // A slim overlay-like bar that suits the rounded list better than the full desktop scroll bar.
        traystyle::keepStyled(this, [bar = verticalScrollBar()] {
            bar->setStyleSheet(
                QStringLiteral("QScrollBar:vertical { width: 7px; background: transparent; margin: 6px 1px 6px 0; }"
                               "QScrollBar::handle:vertical { background: %1; border-radius: 3px; min-height: 24px; }"
                               "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
                               "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
                    .arg(traystyle::css(traystyle::primary(0.28))));
        });
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QScrollArea::resizeEvent(event);
        QPainterPath path;
        path.addRoundedRect(QRectF(viewport()->rect()), 11, 11);
        viewport()->setMask(QRegion(path.toFillPolygon().toPolygon()));
    }
    void paintEvent(QPaintEvent*) override {}
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::Paint) {
            QPainter painter(this);
            painter.setRenderHint(QPainter::Antialiasing);
            const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
            painter.setPen(QPen(traystyle::primary(0.08), 1));
            painter.setBrush(traystyle::primary(0.04));
            painter.drawRoundedRect(r, 12, 12);
            return true;
        }
        return QScrollArea::event(e);
    }
};

} // namespace

TrayPopoverView::TrayPopoverView(TrayModel& model, TrayPopoverActions actions, const Clock& clock, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_actions(std::move(actions))
    , m_clock(clock)
{
    setObjectName(QStringLiteral("trayPopoverView"));
    setFixedWidth(kWidth);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    root->addWidget(buildHeader());
    root->addWidget(new Hairline(this));

    m_cardArea = new QWidget(this);
    m_cardArea->setObjectName(QStringLiteral("cardArea"));
    auto* cardLayout = new QVBoxLayout(m_cardArea);
    cardLayout->setContentsMargins(0, 0, 0, 0);
    cardLayout->setSpacing(0);
    cardLayout->addWidget(new Hairline(m_cardArea));
    root->addWidget(m_cardArea);

    m_contentBlock = new QWidget(this);
    m_contentBlock->setObjectName(QStringLiteral("contentBlock"));
    m_contentLayout = new QVBoxLayout(m_contentBlock);
    m_contentLayout->setContentsMargins(12, 10, 12, 10);
    m_contentLayout->setSpacing(6);
    m_searchField = new TraySearchField(m_contentBlock);
    m_searchField->onTextChanged = [this](const QString& text) { m_searchQuery = text; };
    m_searchField->onSelectAccount = [this](const std::string& id) {
        m_searchAccountId = id;
        refresh();
    };
    m_searchField->onSubmit = [this](const QString& query) {
        if (!m_actions.onSearch)
            return;
        const auto account = searchAccount();
        m_actions.onSearch(query.toStdString(),
                           account ? std::optional<std::string>(account->id) : std::nullopt);
    };
    m_searchField->installEventFilter(this); // Down goes on to the rows
    m_contentLayout->addWidget(m_searchField);
    buildStatusAndList();
    root->addWidget(m_contentBlock);

    m_noAccounts = paddedLabel(QStringLiteral("No accounts configured"), traystyle::font(12), 28, this);
    m_noAccounts->setObjectName(QStringLiteral("noAccountsLabel"));
    root->addWidget(m_noAccounts->parentWidget());

    root->addWidget(new Hairline(this));
    root->addWidget(buildFooter());

    connect(&m_model, &TrayModel::changed, this, &TrayPopoverView::scheduleRefresh);
    refresh();
}

void TrayPopoverView::scheduleRefresh()
{
    // One request assigns several of the model's fields, and a burst of requests many more: the open
    // popover follows them all at once, on the next turn of the event loop. What the user does in
    // the popover itself shows at once (those controls refresh right after changing the model).
    m_refreshDue = true;
    if (m_refreshPosted)
        return;
    m_refreshPosted = true;
    QMetaObject::invokeMethod(this, [this] {
        m_refreshPosted = false;
        if (m_refreshDue)
            refresh();
    }, Qt::QueuedConnection);
}

// ---- derived values ----

QString TrayPopoverView::filterLabel(const std::string& title, std::int64_t count)
{
    if (count < 1)
        return qs(title);
    const QString shown = count >= 100 ? QStringLiteral("99+") : QString::number(count);
    return qs(title) + QStringLiteral(" (") + shown + QStringLiteral(")");
}

QString TrayPopoverView::caughtUpSubtitle(const std::vector<std::string>& names)
{
    switch (names.size()) {
    case 0: return QStringLiteral("No unread messages.");
    case 1: return QStringLiteral("No unread messages in ") + qs(names[0]) + QStringLiteral(".");
    case 2:
        return QStringLiteral("No unread messages in ") + qs(names[0]) + QStringLiteral(" or ") + qs(names[1]) +
               QStringLiteral(".");
    default:
        return QStringLiteral("No unread messages across ") + QString::number(qsizetype(names.size())) +
               QStringLiteral(" accounts.");
    }
}

std::optional<TrayAccount> TrayPopoverView::filteredAccount() const
{
    const auto& selected = m_model.selectedAccountId();
    if (!selected)
        return std::nullopt;
    for (const TrayAccount& account : m_model.accounts())
        if (account.id == *selected)
            return account;
    return std::nullopt;
}

bool TrayPopoverView::isFiltering() const
{
    return m_model.selectedAccountId().has_value() || m_model.showUnreadOnly();
}

std::optional<TrayAccount> TrayPopoverView::composeAccount() const
{
    if (auto account = filteredAccount())
        return account;
    if (m_model.accounts().size() == 1)
        return m_model.accounts().front();
    return std::nullopt;
}

std::optional<TrayAccount> TrayPopoverView::searchAccount() const
{
    if (auto account = filteredAccount())
        return account;
    if (m_searchAccountId) {
        for (const TrayAccount& account : m_model.accounts())
            if (account.id == *m_searchAccountId)
                return account;
    }
    if (!m_model.accounts().empty())
        return m_model.accounts().front();
    return std::nullopt;
}

QString TrayPopoverView::searchPlaceholder() const
{
    if (auto account = searchAccount())
        return QStringLiteral("Search ") + qs(account->name) + QStringLiteral(" — opens in app");
    return QStringLiteral("Search — opens in app");
}

std::vector<TrayAccount> TrayPopoverView::accountsNeedingAuth() const
{
    std::vector<TrayAccount> result;
    const auto& selected = m_model.selectedAccountId();
    for (const TrayAccount& account : m_model.accounts()) {
        if (account.needsAuth && (!selected || account.id == *selected))
            result.push_back(account);
    }
    return result;
}

QColor TrayPopoverView::accountColor(const std::string& accountId) const
{
    for (const TrayAccount& account : m_model.accounts())
        if (account.id == accountId)
            return AccountDot::hexColor(qs(account.color));
    return traystyle::accent();
}

QIcon TrayPopoverView::filterIcon(const TrayAccount& account) const
{
    if (account.needsAuth)
        return traystyle::symbolIcon("exclamationmark.triangle.fill", 9.5, traystyle::orange());
    return QIcon(QPixmap::fromImage(AccountDot::image(qs(account.color), account.unreadCount > 0, 9, 1.5, 2.0)));
}

// ---- header and footer ----

QWidget* TrayPopoverView::buildHeader()
{
    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("header"));
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(14, 8, 10, 8);
    row->setSpacing(8);

    auto* mark = new QLabel(header);
    mark->setObjectName(QStringLiteral("brandMark"));
    if (auto image = BrandMark(BrandMarkKind::tarnwick).image(18, 2.0))
        mark->setPixmap(QPixmap::fromImage(*image));
    row->addWidget(mark, 0, Qt::AlignVCenter);
    auto* name = textLabel(QStringLiteral("Tarnwick"), traystyle::font(13.5, QFont::DemiBold),
                           [] { return traystyle::primary(); }, header);
    name->setObjectName(QStringLiteral("brandName"));
    row->addWidget(name, 0, Qt::AlignVCenter);
    row->addStretch(1);

    m_filterButton = accessoryButton(header, "filterButton");
    m_filterButton->setPopupMode(QToolButton::InstantPopup);
    ui::installDescribedMenuEntries();
    m_filterMenu = new QMenu(m_filterButton);
    m_filterMenu->setObjectName(QStringLiteral("filterMenu"));
    traypopovermenustyle::markChoicesWithChecks(m_filterMenu);
    m_filterButton->setMenu(m_filterMenu);
    m_filterButton->installEventFilter(this);
    traystyle::restyleOnPaletteChange(m_filterButton, [this] { styleFilterButton(); });
    row->addWidget(m_filterButton);

    m_composeButton = accessoryButton(header, "composeButton");
    traystyle::keepStyled(m_composeButton, [button = m_composeButton] {
        button->setIcon(traystyle::symbolIcon("square.and.pencil", 14, traystyle::primary()));
    });
    m_composeButton->setIconSize(QSize(14, 14));
    m_composeButton->installEventFilter(this);
    connect(m_composeButton, &QToolButton::clicked, this, [this] {
        if (!m_actions.onCompose)
            return;
        const auto account = composeAccount();
        m_actions.onCompose(account ? std::optional<std::string>(account->id) : std::nullopt);
    });
    row->addWidget(m_composeButton);

    m_settingsButton = accessoryButton(header, "settingsButton");
    m_settingsButton->setPopupMode(QToolButton::InstantPopup);
    traystyle::keepStyled(m_settingsButton, [button = m_settingsButton] {
        button->setIcon(traystyle::symbolIcon("gearshape", 14, traystyle::primary()));
    });
    m_settingsButton->setIconSize(QSize(14, 14));
    m_settingsButton->setToolTip(QStringLiteral("Settings"));
    m_settingsButton->setAccessibleName(QStringLiteral("Settings"));
    m_settingsButton->installEventFilter(this);
    m_settingsMenu = new QMenu(m_settingsButton);
    m_settingsMenu->setObjectName(QStringLiteral("settingsMenu"));
    m_refreshAction = m_settingsMenu->addAction(QStringLiteral("Refresh Inbox"));
    m_refreshAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    m_refreshAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(m_refreshAction); // the shortcut works while the popover has the keyboard
    connect(m_refreshAction, &QAction::triggered, this, [this] {
        if (m_model.isRefreshing())
            return;
        m_model.setIsRefreshing(true);
        refresh();
        if (m_actions.onRefresh)
            m_actions.onRefresh();
    });
    m_settingsMenu->addSeparator();
    connect(m_settingsMenu->addAction(QStringLiteral("Preferences…")), &QAction::triggered, this, [this] {
        if (m_actions.onOpenSettings)
            m_actions.onOpenSettings();
    });
    m_settingsMenu->addSeparator();
    connect(m_settingsMenu->addAction(QStringLiteral("Quit Tarnwick")), &QAction::triggered, this, [this] {
        if (m_actions.onQuit)
            m_actions.onQuit();
    });
    m_settingsButton->setMenu(m_settingsMenu);
    row->addWidget(m_settingsButton);
    return header;
}

QWidget* TrayPopoverView::buildFooter()
{
    auto* footer = new QWidget(this);
    footer->setObjectName(QStringLiteral("footer"));
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(0, 8, 0, 8);
    m_openInbox = accessoryButton(footer, "openInboxButton");
    m_openInbox->setText(QStringLiteral("Open Inbox"));
    m_openInbox->setFont(traystyle::font(11.5));
    m_openInbox->setIconSize(QSize(12, 12));
    m_openInbox->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_openInbox->setAccessibleName(QStringLiteral("Open Inbox"));
    m_openInbox->installEventFilter(this);
    traystyle::keepStyled(m_openInbox, [button = m_openInbox] {
        button->setIcon(traystyle::symbolIcon("arrow.up.forward.square", 12, traystyle::secondary()));
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText, traystyle::secondary());
        button->setPalette(palette);
    });
    connect(m_openInbox, &QToolButton::clicked, this, [this] {
        if (m_actions.onOpenApp)
            m_actions.onOpenApp();
    });
    row->addStretch(1);
    row->addWidget(m_openInbox);
    row->addStretch(1);
    return footer;
}

void TrayPopoverView::rebuildFilterMenu()
{
    std::vector<std::string> ids;
    for (const TrayAccount& account : m_model.accounts())
        ids.push_back(account.id);
    if (ids != m_filterMenuIds || m_filterMenu->actions().isEmpty()) {
        // The set of accounts changed: new entries. Old ones are removed now but deleted later, as
        // one of them may be the entry whose choice caused this update.
        for (QAction* action : m_filterMenu->actions()) {
            m_filterMenu->removeAction(action);
            action->deleteLater();
        }
        m_filterMenuIds = ids;
        QAction* unreadOnly = m_filterMenu->addAction(QStringLiteral("Unread Only"));
        unreadOnly->setObjectName(QStringLiteral("unreadOnly"));
        unreadOnly->setCheckable(true);
        connect(unreadOnly, &QAction::triggered, this, [this](bool on) {
            m_model.setShowUnreadOnly(on);
            refresh();
            if (m_actions.onUnreadOnlyChanged)
                m_actions.onUnreadOnlyChanged(on);
        });
        if (!ids.empty()) {
            m_filterMenu->addSeparator();
            // One choice among "All Accounts" and the accounts: each shows its own check mark.
            auto* group = new QActionGroup(m_filterMenu);
            group->setExclusive(true);
            QAction* all = m_filterMenu->addAction(QString());
            all->setObjectName(QStringLiteral("allAccounts"));
            all->setCheckable(true);
            all->setActionGroup(group);
            connect(all, &QAction::triggered, this, [this] {
                m_model.setSelectedAccountId(std::nullopt);
                refresh();
            });
            for (const std::string& id : ids) {
                QAction* item = m_filterMenu->addAction(QString());
                item->setCheckable(true);
                item->setActionGroup(group);
                item->setData(qs(id));
                connect(item, &QAction::triggered, this, [this, id] {
                    m_model.setSelectedAccountId(id);
                    refresh();
                });
            }
        }
    }

    // The same accounts: the entries stay (an open menu stays open) and only their texts, marks and
    // icons follow the model.
    const QList<QAction*> actions = m_filterMenu->actions();
    actions[0]->setChecked(m_model.showUnreadOnly());
    if (ids.empty())
        return;
    QAction* all = actions[2];
    all->setText(traystyle::menuText(filterLabel("All Accounts", m_model.totalUnread())));
    all->setChecked(!m_model.selectedAccountId());
    for (std::size_t i = 0; i < m_model.accounts().size(); ++i) {
        const TrayAccount& account = m_model.accounts()[i];
        QAction* item = actions[int(i) + 3];
        item->setText(traystyle::menuText(filterEntryText(account.name, account.unreadCount)));
        const bool chosen = m_model.selectedAccountId() == account.id;
        item->setChecked(chosen);
        // Styles draw a checked entry that has an icon as a faint frame around the icon, with no
        // mark: the chosen account shows the same mark as "All Accounts" in place of its dot.
        const QString iconKey = chosen            ? QStringLiteral("chosen")
                                : account.needsAuth ? QStringLiteral("auth")
                                                    : qs(account.color) + (account.unreadCount > 0 ? "+" : "-");
        if (item->property("iconKey").toString() != iconKey) {
            item->setIcon(chosen ? QIcon() : filterIcon(account));
            item->setProperty("iconKey", iconKey);
        }
        // The warning symbol stands in for the dot; assistive technology reads what it means.
        item->setProperty(ui::kAccessibleDescription,
                          account.needsAuth ? QStringLiteral("Sign in required") : QString());
    }
}

QString TrayPopoverView::filterEntryText(const std::string& name, std::int64_t count) const
{
    // A long name is cut (at its logical end) so that the count stays in view, and one that reads
    // right to left is kept apart so that the count still follows it in the menu's direction.
    const QString full = qs(name);
    const QString shown = traypopovertext::isolated(traypopovertext::elided(full, m_filterMenu->font(), kMenuNameWidth));
    if (shown == full)
        return filterLabel(name, count);
    return filterLabel(shown.toStdString(), count);
}

// ---- redraw ----

void TrayPopoverView::styleFilterButton()
{
    m_refreshDue = false;
    const bool filtering = isFiltering();
    m_filterButton->setIcon(traystyle::symbolIcon(
        filtering ? "line.3.horizontal.decrease.circle.fill" : "line.3.horizontal.decrease.circle", 13,
        filtering ? traystyle::accent() : traystyle::primary()));
    m_filterButton->setIconSize(QSize(13, 13));
    m_filterButton->setProperty("filtering", filtering);
}

void TrayPopoverView::refresh()
{
    styleFilterButton();
    const auto filtered = filteredAccount();
    const QString filterHelp = filtered ? QStringLiteral("Showing ") + qs(filtered->name) : QStringLiteral("All Accounts");
    m_filterButton->setToolTip(traystyle::plainToolTip(filterHelp));
    m_filterButton->setAccessibleName(filterHelp); // icon buttons are named as their help
    rebuildFilterMenu();

    const auto compose = composeAccount();
    const QString composeHelp =
        compose ? QStringLiteral("New Message in ") + qs(compose->name) : QStringLiteral("New Message");
    m_composeButton->setToolTip(traystyle::plainToolTip(composeHelp));
    m_composeButton->setAccessibleName(composeHelp);
    m_refreshAction->setEnabled(!m_model.isRefreshing());

    refreshCard();

    const bool hasAccounts = !m_model.accounts().empty();
    m_contentBlock->setVisible(hasAccounts);
    m_noAccounts->parentWidget()->setVisible(!hasAccounts);
    if (hasAccounts) {
        const auto account = searchAccount();
        const std::vector<TrayAccount> scopeAccounts =
            m_model.selectedAccountId() ? std::vector<TrayAccount>{} : m_model.accounts();
        m_searchField->sync(m_searchQuery, searchPlaceholder(), scopeAccounts,
                            account ? std::optional<std::string>(account->id) : std::nullopt);
    }
    if (hasAccounts) {
        refreshStatusAndList();
        updateListHeight();
    }
    updateTabOrder();
}

void TrayPopoverView::updateTabOrder()
{
    std::vector<QWidget*> chain{m_filterButton, m_composeButton, m_settingsButton};
    if (m_card) {
        chain.push_back(m_card);
        chain.push_back(m_card->copyButton());
    }
    if (!m_model.accounts().empty()) {
        chain.push_back(m_searchField);
        for (TrayBanner* banner : banners())
            if (banner->signInButton())
                chain.push_back(banner->signInButton());
        chain.insert(chain.end(), m_rows.begin(), m_rows.end());
    }
    chain.push_back(m_openInbox);
    for (std::size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

bool TrayPopoverView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (watched == m_searchField && key->key() == Qt::Key_Down && plain && !m_rows.empty() && messageList()) {
        m_rows.front()->setFocus(Qt::TabFocusReason);
        return true;
    }
    // Enter presses a focused button, as Space does (outside dialogs Qt's buttons take only Space).
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (button && plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        auto* tool = qobject_cast<QToolButton*>(button);
        if (tool && tool->menu())
            tool->showMenu();
        else
            button->click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TrayPopoverView::refreshCard()
{
    const auto code = m_model.activeVerificationCode();
    if (!code) {
        if (m_card) {
            m_card->hide();
            m_card->deleteLater();
            m_card = nullptr;
        }
        m_cardArea->setVisible(false);
        return;
    }
    const QColor color = accountColor(code->accountId);
    if (m_card && m_card->item() == *code && m_card->accountColor() == color) {
        m_card->refresh(); // same code: keep its "Copied" state
    } else {
        if (m_card) {
            m_card->hide();
            m_card->deleteLater();
        }
        auto onSelect = [this](const std::string& accountId, const std::string& threadId) {
            if (m_actions.onShowThread)
                m_actions.onShowThread(accountId, threadId);
        };
        m_card = new VerificationCodeCard(*code, color, onSelect, m_clock, m_cardArea);
        m_card->copyButton()->installEventFilter(this);
        static_cast<QVBoxLayout*>(m_cardArea->layout())->insertWidget(0, m_card);
        m_card->setVisible(true);
    }
    m_cardArea->setVisible(true);
}

// ---- banners and list, updated in place ----

bool TrayPopoverView::BannerSpec::operator==(const BannerSpec& other) const
{
    return kind == other.kind && title == other.title && subtitle == other.subtitle && accountId == other.accountId;
}

std::vector<TrayPopoverView::BannerSpec> TrayPopoverView::topBannerSpecs() const
{
    std::vector<BannerSpec> specs;
    const auto needingAuth = accountsNeedingAuth();
    if (m_model.isOffline()) {
        specs.push_back({TrayBanner::Kind::offline, QStringLiteral("Offline"),
                         QStringLiteral("Waiting for network connection…"), {}});
    } else if (!needingAuth.empty()) {
        const TrayAccount& account = needingAuth.front();
        specs.push_back({TrayBanner::Kind::signIn, QStringLiteral("Sign in required"),
                         qs(account.name) + QStringLiteral(" session has expired"), account.id});
    } else if (m_model.isRestricted()) {
        specs.push_back({TrayBanner::Kind::restricted, QStringLiteral("Gmail access blocked"),
                         QStringLiteral("An account's organization has blocked Gmail."), {}});
    }
    if (m_model.visibleUnreadCount() == 0 && !m_model.isOffline() && !m_model.isRestricted() && needingAuth.empty() &&
        !m_model.showUnreadOnly())
        specs.push_back(caughtUpSpec());
    return specs;
}

TrayPopoverView::BannerSpec TrayPopoverView::caughtUpSpec() const
{
    std::vector<std::string> names;
    const auto& selected = m_model.selectedAccountId();
    for (const TrayAccount& account : m_model.accounts())
        if (!selected || account.id == *selected)
            names.push_back(account.name);
    return {TrayBanner::Kind::caughtUp, QStringLiteral("All caught up"), caughtUpSubtitle(names), {}};
}

void TrayPopoverView::syncBanners(QWidget* area, std::vector<BannerSpec>& shown, std::vector<TrayBanner*>& widgets,
                                  std::vector<BannerSpec> wanted)
{
    if (wanted == shown)
        return; // the same banners: keep them (and a pressed "Sign In") as they are
    for (TrayBanner* banner : widgets) {
        banner->hide();
        banner->deleteLater(); // it may be the banner whose button caused this update
    }
    widgets.clear();
    auto* column = static_cast<QVBoxLayout*>(area->layout());
    for (const BannerSpec& spec : wanted) {
        std::function<void()> onSignIn;
        if (spec.kind == TrayBanner::Kind::signIn) {
            onSignIn = [this, id = spec.accountId] {
                if (m_actions.onShowAccount)
                    m_actions.onShowAccount(id);
            };
        }
        auto* banner = new TrayBanner(spec.kind, spec.title, spec.subtitle, onSignIn, area);
        if (QPushButton* signIn = banner->signInButton()) {
            signIn->setFocusPolicy(Qt::TabFocus);
            signIn->installEventFilter(this);
            TrayPopoverFocusRing::attach(signIn, 5);
        }
        column->addWidget(banner);
        banner->show();
        widgets.push_back(banner);
    }
    shown = std::move(wanted);
    area->setVisible(!widgets.empty());
}

void TrayPopoverView::buildStatusAndList()
{
    m_statusAndList = new QWidget(m_contentBlock);
    m_statusAndList->setObjectName(QStringLiteral("statusAndList"));
    auto* column = new QVBoxLayout(m_statusAndList);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);

    auto bannerArea = [this, column](const char* name) {
        auto* area = new QWidget(m_statusAndList);
        area->setObjectName(QString::fromLatin1(name));
        auto* areaColumn = new QVBoxLayout(area);
        areaColumn->setContentsMargins(0, 0, 0, 0);
        areaColumn->setSpacing(6);
        column->addWidget(area);
        area->hide();
        return area;
    };
    m_topBannerArea = bannerArea("topBanners");

    QFont font = traystyle::font(11, QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.35);
    m_recentLabel = textLabel(QStringLiteral("RECENT"), font, traystyle::secondary, m_statusAndList);
    m_recentLabel->setObjectName(QStringLiteral("recentLabel"));
    m_recentLabel->setContentsMargins(4, 0, 4, 0);
    column->addWidget(m_recentLabel);

    m_list = new MessageList(m_statusAndList);
    m_rowsWidget = new QWidget;
    m_rowsWidget->setObjectName(QStringLiteral("messageRows"));
    m_rowsWidget->setAutoFillBackground(false);
    m_rowsLayout = new QVBoxLayout(m_rowsWidget);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(0);
    m_list->setWidget(m_rowsWidget);
    column->addWidget(m_list);

    m_bottomBannerArea = bannerArea("bottomBanners");

    m_nothingRecent = paddedLabel(QStringLiteral("Nothing recent to show"), traystyle::font(12), 16, m_statusAndList);
    m_nothingRecent->setObjectName(QStringLiteral("nothingRecentLabel"));
    column->addWidget(m_nothingRecent->parentWidget());

    m_contentLayout->addWidget(m_statusAndList);
}

void TrayPopoverView::refreshStatusAndList()
{
    syncBanners(m_topBannerArea, m_topBanners, m_topBannerWidgets, topBannerSpecs());

    const auto messages = m_model.visibleMessages();
    const bool listed = !messages.empty();
    m_recentLabel->setVisible(listed && m_model.visibleUnreadCount() == 0);
    m_list->setVisible(listed);
    if (listed)
        syncRows(messages);
    else
        syncRows({});

    std::vector<BannerSpec> bottom;
    if (!listed && m_model.showUnreadOnly() && !m_model.isRestricted())
        bottom.push_back(caughtUpSpec());
    syncBanners(m_bottomBannerArea, m_bottomBanners, m_bottomBannerWidgets, std::move(bottom));
    m_nothingRecent->parentWidget()->setVisible(!listed && m_bottomBanners.empty());
}

void TrayPopoverView::syncRows(const std::vector<TrayModel::VisibleMessage>& messages)
{
    // Rows are keyed by account and message: a row whose message is still listed is updated in place,
    // so the list keeps its scroll position and a context menu open on a row stays open.
    std::map<std::pair<std::string, std::string>, TrayMessageRow*> previous;
    for (TrayMessageRow* row : m_rows)
        previous.emplace(std::make_pair(row->property("accountId").toString().toStdString(), row->message().id), row);

    std::vector<TrayMessageRow*> next;
    next.reserve(messages.size());
    const double now = m_clock.now();
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const TrayMessage& message = messages[i].message;
        const TrayAccount& account = messages[i].account;
        const bool divider = i + 1 < messages.size();
        const QString time = qs(message.formattedTime(now));
        const QColor color = accountColor(account.id);
        auto found = previous.find({account.id, message.id});
        if (found != previous.end()) {
            found->second->setContent(message, color, divider, time);
            next.push_back(found->second);
            previous.erase(found);
            continue;
        }
        next.push_back(makeRow(message, account.id, color, divider, time));
    }
    for (auto& [key, row] : previous) {
        row->hide();
        row->deleteLater(); // its own menu may be what removed it
    }

    // Re-insert in display order; widgets that stay are only moved, never rebuilt.
    for (std::size_t i = 0; i < next.size(); ++i) {
        if (m_rowsLayout->indexOf(next[i]) != int(i)) {
            m_rowsLayout->removeWidget(next[i]);
            m_rowsLayout->insertWidget(int(i), next[i]);
        }
        next[i]->show();
    }
    m_rows = std::move(next);
}

void TrayPopoverView::setAvailableHeight(int height)
{
    if (height == m_availableHeight)
        return;
    m_availableHeight = std::max(0, height);
    updateListHeight();
}

int TrayPopoverView::listHeightLimit() const
{
    if (m_availableHeight <= 0 || m_list->isHidden())
        return kMaxListHeight;
    // Everything but the list, measured afresh: banners, the card and the rows come and go.
    // Size hints are cached per layout and per widget in its parent's layout: drop both.
    for (QWidget* child : findChildren<QWidget*>()) {
        if (child->layout()) {
            child->layout()->invalidate();
            child->updateGeometry();
        }
    }
    layout()->invalidate();
    // The list's part of the view's height, as its layout reckons it.
    const int current = m_list->sizeHint()
                            .expandedTo(m_list->minimumSizeHint())
                            .boundedTo(m_list->maximumSize())
                            .expandedTo(m_list->minimumSize())
                            .height();
    const int rest = sizeHint().height() - current;
    // At least one row stays in view, whatever the screen.
    const int oneRow = m_rows.empty() ? 0 : m_rows.front()->sizeHint().height() + 2;
    return std::clamp(m_availableHeight - rest, oneRow, int(kMaxListHeight));
}

void TrayPopoverView::updateListHeight()
{
    if (m_list->isHidden())
        return;
    // The rows' own height plus the outline, up to the list's limit; beyond it the list scrolls.
    int rowsHeight = 0;
    for (TrayMessageRow* row : m_rows)
        rowsHeight += row->sizeHint().height();
    m_list->setFixedHeight(std::min(rowsHeight + 2 + 2 * m_list->frameWidth(), listHeightLimit()));
}

TrayMessageRow* TrayPopoverView::makeRow(const TrayMessage& message, const std::string& accountId, const QColor& color,
                                         bool divider, const QString& time)
{
    auto* row = new TrayMessageRow(message, color, divider, time, {}, {}, m_rowsWidget);
    row->setProperty("accountId", qs(accountId));
    // The callbacks read the row's current message, which later updates may have changed.
    QPointer<TrayMessageRow> guard(row);
    row->setCallbacks(
        [this, guard, accountId] {
            if (guard && m_actions.onShowThread)
                m_actions.onShowThread(accountId, guard->message().threadId);
        },
        [this, guard, accountId](TrayThreadAction action) {
            if (!guard)
                return;
            const std::string messageId = guard->message().id;
            const std::string threadId = guard->message().threadId;
            m_model.apply(action, accountId, messageId);
            refresh(); // the row changes at once
            if (m_actions.onThreadAction)
                m_actions.onThreadAction(accountId, threadId, action);
        });
    return row;
}

VerificationCodeCard* TrayPopoverView::card() const
{
    return m_card.data();
}

std::vector<TrayBanner*> TrayPopoverView::banners() const
{
    if (m_model.accounts().empty())
        return {};
    std::vector<TrayBanner*> result = m_topBannerWidgets;
    result.insert(result.end(), m_bottomBannerWidgets.begin(), m_bottomBannerWidgets.end());
    return result;
}

std::vector<TrayMessageRow*> TrayPopoverView::messageRows() const
{
    return m_model.accounts().empty() ? std::vector<TrayMessageRow*>{} : m_rows;
}

QScrollArea* TrayPopoverView::messageList() const
{
    return m_list && !m_list->isHidden() && !m_model.accounts().empty() ? m_list : nullptr;
}

QLabel* TrayPopoverView::recentLabel() const
{
    return m_recentLabel && !m_recentLabel->isHidden() && !m_model.accounts().empty() ? m_recentLabel : nullptr;
}

QLabel* TrayPopoverView::nothingRecentLabel() const
{
    return m_nothingRecent && !m_nothingRecent->parentWidget()->isHidden() && !m_model.accounts().empty()
               ? m_nothingRecent
               : nullptr;
}

} // namespace tarnwick
