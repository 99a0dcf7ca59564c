#pragma once

// The tray item on a Linux desktop: a StatusNotifierItem on the session bus, registered with the
// desktop's org.kde.StatusNotifierWatcher under a service name of its own
// (org.kde.StatusNotifierItem-<pid>-<n>). What it publishes follows the host (TrayHostProfile, from
// the watcher's program): a square picture with a badge, or the glyph with the styled title beside
// it; the themed symbolic glyph (IconName, from the prefix's share/icons) for hosts that recolour it;
// the counts as XAyatanaLabel. Its Title and ToolTip carry the spoken description. The pictures are
// redrawn when the desktop's palette changes. Changes are gathered: the picture, label and
// description are rebuilt at most once per event-loop turn, and each change signal (NewIcon,
// NewTitle, NewToolTip, XAyatanaNewLabel) goes out once per rebuild, only for what changed. A click (Activate, SecondaryActivate
// or ContextMenu) is the item's press; the point clicked places the popover. Its menu
// (com.canonical.dbusmenu at /MenuBar) offers the main commands where the host shows menus.
//
// Registration is checked, not trusted: a while after the watcher accepts the item, the host looks
// for it in the watcher's list and registers again when it is missing, when the watcher says it
// dropped it, and when a watcher (re)appears, a bounded number of times in a row.
//
// Without a session bus, or without a watcher on it, the host logs a warning and keeps working in
// memory like the headless host, so the model and the protocol go on; when a watcher appears later
// the item registers with it. Main thread only; no call blocks on the bus.

#include <QDBusConnection>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

#include "tarnwick/helper/clock.h"
#include "tarnwick/helper/statusitemhost.h"
#include "tarnwick/helper/statusnotifiertypes.h"
#include "tarnwick/helper/styledtitlerenderer.h"
#include "tarnwick/helper/trayhostprofile.h"
#include "tarnwick/helper/traypopover.h"

class QDBusServiceWatcher;
class OrgKdeStatusNotifierWatcherInterface;

namespace tarnwick {

class StatusNotifierItemObject;
class TrayMenuObject;

class StatusNotifierItemHost final : public QObject, public StatusItemHost {
    Q_OBJECT
public:
    static constexpr const char* kWatcherService = "org.kde.StatusNotifierWatcher";
    static constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
    static constexpr const char* kItemPath = "/StatusNotifierItem";
    /// Registrations in a row that may be retried before the host gives up until the watcher changes.
    static constexpr int kMaxRetries = 5;

    explicit StatusNotifierItemHost(QDBusConnection bus, const Clock& clock = Clock::system(),
                                    QObject* parent = nullptr);
    ~StatusNotifierItemHost() override;

    // StatusItemHost
    void attach(StatusItemCallbacks callbacks) override;
    void remove() override;
    bool hasButton() const override { return m_attached; }
    double titleCapHeight() const override;
    void setCounts(const std::vector<MenuBarAccount>& accounts, MenuBarUnreadDisplay display) override;
    void setTitle(const StyledTitle& title, const std::string& accessibilityDescription) override;
    void showPopover(TrayModel& model, TrayPopoverActions actions) override;
    void closePopover() override;
    bool isPopoverShown() const override;

    /// "org.kde.StatusNotifierItem-<pid>-<n>"; empty before the first attach.
    const QString& serviceName() const { return m_serviceName; }
    /// Whether the watcher accepted the item.
    bool isRegistered() const { return m_registered; }
    /// Whether the item's menu lists its commands (false: an empty menu, see TrayHostProfile).
    bool menuShowsEntries() const;
    /// The accessibility description, as the item's Title.
    const QString& title() const { return m_description; }
    /// The item's picture at 1x (glyph and title), and the pixmaps published (1x and 2x).
    const QImage& iconImage() const { return m_icon; }
    const SniImageList& iconPixmaps() const { return m_pixmaps; }
    /// What the square picture shows now (the badge or dots by the display style), drawn at any
    /// side for any background: for a tray that draws the item itself and knows its own colour.
    std::function<QImage(int side, const QColor& background)> squarePainter() const;
    const SniImageList& overlayPixmaps() const { return m_overlay; }
    /// The themed icon's name and where its theme lies; empty when the host does not get it or the
    /// icon is not installed beside the program.
    QString iconName() const;
    QString iconThemePath() const;
    const QString& label() const { return m_label; }
    const QString& labelGuide() const { return m_labelGuide; }
    /// How long after the watcher accepted the item it is looked for in the watcher's list (some
    /// hosts drop a new item a moment after showing it: 3 s), and the wait before the first retry
    /// (250 ms, doubled for each further one).
    void setRetryTiming(int confirmDelayMs, int firstRetryDelayMs);
    /// The host's profile: the default until the watcher's program is known.
    const TrayHostProfile& hostProfile() const { return m_profile; }
    /// The profile as it applies to the current display style.
    TrayHostProfile effectiveProfile() const;
    void setHostProfile(const TrayHostProfile& profile);
    /// <dir>/../share/icons when the tray icon is installed there, else empty.
    static QString installedIconThemePath(const QString& programDir);
    /// Where the last click came from (screen coordinates), if the desktop said.
    std::optional<QPoint> lastClickPoint() const { return m_clickPoint; }
    /// The popover on screen or closing; null when there is none.
    TrayPopover* popover() const { return m_popover; }

    /// The desktop's activation token for the window the next press opens (it may then take the focus).
    void setActivationToken(const QString& token) { m_activationToken = token.left(256); }
    /// A press from the desktop at screen point (x, y); (0, 0) means the desktop gave no point.
    void press(int x, int y);
    /// The session bus connection was replaced (the old one was lost): an attached item is exported,
    /// named and registered again on `bus`; pictures, texts and the popover stay as they are.
    void useBus(QDBusConnection bus);

Q_SIGNALS:
    /// The watcher accepted the item (again, after a retry).
    void registered();
    /// The item was found missing from the watcher's list, or the watcher dropped it or went away.
    void dropped();
    /// Registering failed (no bus, no watcher, the name was taken); the reason is logged.
    void registrationFailed();
    /// The bus has no StatusNotifierWatcher: nothing on this desktop shows tray items (stock GNOME).
    void trayHostMissing();
    // Relayed as the bus signals of the same names.
    void iconChanged();
    void overlayIconChanged();
    void labelChanged(const QString& label, const QString& guide);
    void titleChanged();
    void toolTipChanged();

private:
    void learnHostThenRegister();
    void registerWithWatcher();
    void confirmRegistration();
    void retryRegistration(const std::string& why);
    void onWatcherDroppedItem(const QString& item);
    bool isOurEntry(const QString& entry) const;
    void publishFailed(const QString& reason);
    /// Rebuilds what changed (picture, label, description) once, on the next event-loop turn.
    void scheduleRebuild();
    /// Redraws a stale picture and announces a new description; each bus signal only for a change.
    void rebuildNow();
    void redrawIcon();
    bool eventFilter(QObject* watched, QEvent* event) override;

    QDBusConnection m_bus;
    const Clock& m_clock;
    StyledTitleRenderer m_renderer;
    std::unique_ptr<StatusNotifierItemObject> m_object;
    std::unique_ptr<TrayMenuObject> m_menu;
    ::OrgKdeStatusNotifierWatcherInterface* m_watcher = nullptr;
    QDBusServiceWatcher* m_watcherWatch = nullptr;
    /// Counts registrations; answers that arrive for an older one are ignored.
    int m_generation = 0;
    int m_retries = 0;
    int m_confirmDelayMs = 3000;
    int m_firstRetryDelayMs = 250;
    StatusItemCallbacks m_callbacks;
    QString m_serviceName;
    bool m_attached = false;
    bool m_published = false;
    bool m_registered = false;
    StyledTitle m_title;
    bool m_hasTitle = false;
    QString m_description;
    QString m_announcedDescription; ///< the description the last NewTitle / NewToolTip announced
    bool m_pictureStale = false;
    bool m_rebuildPosted = false;
    QImage m_icon;
    SniImageList m_pixmaps;
    SniImageList m_overlay;
    std::vector<MenuBarAccount> m_accounts;
    MenuBarUnreadDisplay m_display = MenuBarUnreadDisplay::numbers;
    bool m_countsChanged = false;
    TrayHostProfile m_profile;
    QString m_themePath;
    QString m_label;
    QString m_labelGuide;
    std::optional<QPoint> m_clickPoint;
    QString m_activationToken;
    QPointer<TrayPopover> m_popover;
};

} // namespace tarnwick
