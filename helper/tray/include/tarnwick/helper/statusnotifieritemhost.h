#pragma once

// The tray item on a Linux desktop: a StatusNotifierItem on the session bus, registered with the
// desktop's org.kde.StatusNotifierWatcher under a service name of its own
// (org.kde.StatusNotifierItem-<pid>-<n>). Its pixmap is the brand glyph with the styled title drawn
// beside it; its Title and ToolTip carry the spoken description. A click (Activate, SecondaryActivate
// or ContextMenu) is the item's press; the point clicked places the popover.
//
// Without a session bus, or without a watcher on it, the host logs a warning and keeps working in
// memory like the headless host, so the model and the protocol go on; when a watcher appears later
// the item registers with it. Main thread only; no call blocks on the bus.

#include <QDBusConnection>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <memory>
#include <optional>

#include "tarnwick/helper/clock.h"
#include "tarnwick/helper/statusitemhost.h"
#include "tarnwick/helper/statusnotifiertypes.h"
#include "tarnwick/helper/styledtitlerenderer.h"
#include "tarnwick/helper/traypopover.h"

class QDBusServiceWatcher;

namespace tarnwick {

class StatusNotifierItemObject;

class StatusNotifierItemHost final : public QObject, public StatusItemHost {
    Q_OBJECT
public:
    static constexpr const char* kWatcherService = "org.kde.StatusNotifierWatcher";
    static constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
    static constexpr const char* kItemPath = "/StatusNotifierItem";

    explicit StatusNotifierItemHost(QDBusConnection bus, const Clock& clock = Clock::system(),
                                    QObject* parent = nullptr);
    ~StatusNotifierItemHost() override;

    // StatusItemHost
    void attach(StatusItemCallbacks callbacks) override;
    void remove() override;
    bool hasButton() const override { return m_attached; }
    double titleCapHeight() const override;
    void setTitle(const StyledTitle& title, const std::string& accessibilityDescription) override;
    void showPopover(TrayModel& model, TrayPopoverActions actions) override;
    void closePopover() override;
    bool isPopoverShown() const override;

    /// "org.kde.StatusNotifierItem-<pid>-<n>"; empty before the first attach.
    const QString& serviceName() const { return m_serviceName; }
    /// Whether the watcher accepted the item.
    bool isRegistered() const { return m_registered; }
    /// The accessibility description, as the item's Title.
    const QString& title() const { return m_description; }
    /// The item's picture at 1x (glyph and title), and the pixmaps published (1x and 2x).
    const QImage& iconImage() const { return m_icon; }
    const SniImageList& iconPixmaps() const { return m_pixmaps; }
    /// Where the last click came from (screen coordinates), if the desktop said.
    std::optional<QPoint> lastClickPoint() const { return m_clickPoint; }
    /// The popover on screen or closing; null when there is none.
    TrayPopover* popover() const { return m_popover; }

    /// A press from the desktop at screen point (x, y); (0, 0) means the desktop gave no point.
    void press(int x, int y);

Q_SIGNALS:
    /// The watcher accepted the item.
    void registered();
    /// Registering failed (no bus, no watcher, the name was taken); the reason is logged.
    void registrationFailed();
    // Relayed as the bus signals of the same names.
    void iconChanged();
    void titleChanged();
    void toolTipChanged();

private:
    void registerWithWatcher();
    void publishFailed(const QString& reason);
    void redrawIcon();

    QDBusConnection m_bus;
    const Clock& m_clock;
    StyledTitleRenderer m_renderer;
    std::unique_ptr<StatusNotifierItemObject> m_object;
    QDBusServiceWatcher* m_watcherWatch = nullptr;
    StatusItemCallbacks m_callbacks;
    QString m_serviceName;
    bool m_attached = false;
    bool m_published = false;
    bool m_registered = false;
    StyledTitle m_title;
    bool m_hasTitle = false;
    QString m_description;
    QImage m_icon;
    SniImageList m_pixmaps;
    std::optional<QPoint> m_clickPoint;
    QPointer<TrayPopover> m_popover;
};

} // namespace tarnwick
