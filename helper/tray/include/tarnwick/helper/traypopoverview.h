#pragma once

// The content of the tray popover, 340 wide: header (brand, filter menu, compose, settings menu), the
// verification code card while a code is active, the search field, one status banner, the caught-up
// banner, the recent messages, and the "Open Inbox" footer. It observes the tray model and redraws on
// every change; it writes only the filter fields and isRefreshing, applies message actions to the
// model, and reaches the main application only through the TrayPopoverActions callbacks.
// From the keyboard: Tab and Shift+Tab go through every control top to bottom, Down goes from the
// search field to the rows, Enter presses what has the focus. Main thread only.

#include <QPointer>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "tarnwick/helper/clock.h"
#include "tarnwick/helper/traybanner.h"
#include "tarnwick/helper/traymodel.h"
#include "tarnwick/helper/traypopoveractions.h"

class QLabel;
class QMenu;
class QScrollArea;
class QToolButton;
class QVBoxLayout;

namespace tarnwick {

class TrayMessageRow;
class TraySearchField;
class VerificationCodeCard;

class TrayPopoverView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 340;
    static constexpr int kMaxListHeight = 320;
    /// How wide an account's name may be in the filter menu before it is cut.
    static constexpr int kMenuNameWidth = 220;

    TrayPopoverView(TrayModel& model, TrayPopoverActions actions, const Clock& clock = Clock::system(),
                    QWidget* parent = nullptr);

    /// "Title" below one, "Title (n)" from one, "Title (99+)" from 100.
    static QString filterLabel(const std::string& title, std::int64_t count);
    /// An account's entry in the filter menu: filterLabel with the name cut to kMenuNameWidth and
    /// kept in its own direction.
    QString filterEntryText(const std::string& name, std::int64_t count) const;
    /// The caught-up banner's subtitle for the names of the accounts in scope.
    static QString caughtUpSubtitle(const std::vector<std::string>& names);

    // Derived values, recomputed from the model and the view state.
    std::optional<TrayAccount> filteredAccount() const;
    bool isFiltering() const;
    std::optional<TrayAccount> composeAccount() const;
    std::optional<TrayAccount> searchAccount() const;
    QString searchPlaceholder() const;
    std::vector<TrayAccount> accountsNeedingAuth() const;
    /// The colour of the account with that id; the desktop accent when there is none.
    QColor accountColor(const std::string& accountId) const;
    QIcon filterIcon(const TrayAccount& account) const;

    const QString& searchQuery() const { return m_searchQuery; }
    const std::optional<std::string>& searchAccountId() const { return m_searchAccountId; }

    // The parts, for the window and for tests.
    QToolButton* filterButton() const { return m_filterButton; }
    QMenu* filterMenu() const { return m_filterMenu; }
    QToolButton* composeButton() const { return m_composeButton; }
    QToolButton* settingsButton() const { return m_settingsButton; }
    QMenu* settingsMenu() const { return m_settingsMenu; }
    QAction* refreshAction() const { return m_refreshAction; }
    TraySearchField* searchField() const { return m_searchField; }
    /// The card while a code is active, else null.
    VerificationCodeCard* card() const;
    QLabel* noAccountsLabel() const { return m_noAccounts; }
    QWidget* contentBlock() const { return m_contentBlock; }
    /// The part of the content block below the search field (banners, list). It lives as long as the
    /// view; model changes update its parts in place.
    QWidget* statusAndList() const { return m_statusAndList; }
    /// The banners shown, top to bottom (the status and caught-up banners above the list, or the
    /// caught-up banner in place of the list).
    std::vector<TrayBanner*> banners() const;
    /// The rows listed, in order.
    std::vector<TrayMessageRow*> messageRows() const;
    /// The scrolling list; null when there are no messages to list.
    QScrollArea* messageList() const;
    /// The "RECENT" heading and the "Nothing recent to show" notice while shown, else null.
    QLabel* recentLabel() const;
    QLabel* nothingRecentLabel() const;
    QToolButton* openInboxButton() const { return m_openInbox; }

    /// Rebuilds everything that depends on the model or the view state. Changes of the model are
    /// followed on the next turn of the event loop, once for all of that turn's changes.
    void refresh();

    /// The height the whole view may take (the work area of its screen, less gaps); the list gives
    /// up rows to stay within it, down to one row. Zero: no limit but the list's own.
    void setAvailableHeight(int height);
    /// The list's height limit now: its own, or less when the rest leaves less room.
    int listHeightLimit() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Tab and Shift+Tab follow what is shown, top to bottom.
    void updateTabOrder();
    QWidget* buildHeader();
    QWidget* buildFooter();
    void rebuildFilterMenu();
    void styleFilterButton();
    void scheduleRefresh();
    void refreshCard();
    // What a banner shows; a banner is rebuilt only when this changes.
    struct BannerSpec {
        TrayBanner::Kind kind;
        QString title;
        QString subtitle;
        std::string accountId;
        bool operator==(const BannerSpec& other) const;
    };
    std::vector<BannerSpec> topBannerSpecs() const;
    BannerSpec caughtUpSpec() const;
    void buildStatusAndList();
    void refreshStatusAndList();
    void syncBanners(QWidget* area, std::vector<BannerSpec>& shown, std::vector<TrayBanner*>& widgets,
                     std::vector<BannerSpec> wanted);
    void syncRows(const std::vector<TrayModel::VisibleMessage>& messages);
    void updateListHeight();
    TrayMessageRow* makeRow(const TrayMessage& message, const std::string& accountId, const QColor& color, bool divider,
                            const QString& time);

    TrayModel& m_model;
    TrayPopoverActions m_actions;
    const Clock& m_clock;
    QString m_searchQuery;
    std::optional<std::string> m_searchAccountId;
    bool m_refreshDue = false;
    bool m_refreshPosted = false;

    QToolButton* m_filterButton = nullptr;
    QMenu* m_filterMenu = nullptr;
    std::vector<std::string> m_filterMenuIds;
    QToolButton* m_composeButton = nullptr;
    QToolButton* m_settingsButton = nullptr;
    QMenu* m_settingsMenu = nullptr;
    QAction* m_refreshAction = nullptr;
    QWidget* m_cardArea = nullptr;
    QPointer<VerificationCodeCard> m_card;
    QWidget* m_contentBlock = nullptr;
    QVBoxLayout* m_contentLayout = nullptr;
    TraySearchField* m_searchField = nullptr;
    QWidget* m_statusAndList = nullptr;
    QWidget* m_topBannerArea = nullptr;
    std::vector<BannerSpec> m_topBanners;
    std::vector<TrayBanner*> m_topBannerWidgets;
    QLabel* m_recentLabel = nullptr;
    QScrollArea* m_list = nullptr;
    QWidget* m_rowsWidget = nullptr;
    QVBoxLayout* m_rowsLayout = nullptr;
    std::vector<TrayMessageRow*> m_rows;
    QWidget* m_bottomBannerArea = nullptr;
    std::vector<BannerSpec> m_bottomBanners;
    std::vector<TrayBanner*> m_bottomBannerWidgets;
    QLabel* m_nothingRecent = nullptr;
    int m_availableHeight = 0;
    QLabel* m_noAccounts = nullptr;
    QToolButton* m_openInbox = nullptr;
};

} // namespace tarnwick
