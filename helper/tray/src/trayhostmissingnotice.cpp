#include "tarnwick/helper/trayhostmissingnotice.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "tarnwick/notifications/notificationcenter.h"
#include "tarnwick/platform/sessionbus.h"
#include "tarnwick/rpc/helperlog.h"

namespace tarnwick {
namespace {

constexpr std::string_view kCategory = "Tray";
constexpr std::string_view kKnownName = "AppIndicator and KStatusNotifierItem Support";
// Debian and Ubuntu package the extension under their own id; extensions.gnome.org under its author's.
constexpr std::string_view kExtensionIds[] = {"ubuntu-appindicators@ubuntu.com", "appindicatorsupport@rgcjonas.gmail.com"};
constexpr std::string_view kTail = "Tarnwick keeps running meanwhile, and its icon appears as soon as a tray is there.";

std::string withTail(std::string text)
{
    if (!text.empty() && text.back() != '\n')
        text += ' ';
    return text + std::string(kTail);
}

std::vector<std::string> desktopNames(std::string_view desktop)
{
    std::vector<std::string> names;
    std::size_t from = 0;
    while (from <= desktop.size()) {
        const std::size_t colon = std::min(desktop.find(':', from), desktop.size());
        std::string name(desktop.substr(from, colon - from));
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        if (!name.empty())
            names.push_back(std::move(name));
        from = colon + 1;
    }
    return names;
}

bool names(const std::vector<std::string>& list, std::string_view name)
{
    return std::find(list.begin(), list.end(), name) != list.end();
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

std::string gnomeBody(std::string_view sessionType, const std::optional<TrayHostMissingNotice::ShellExtension>& installed)
{
    const bool wayland = lowered(sessionType) == "wayland";
    std::string text;
    if (installed) {
        text = "GNOME shows tray icons only with an extension, and \xE2\x80\x9C" + installed->name + "\xE2\x80\x9D";
        if (installed->name != kKnownName)
            text += " (" + std::string(kKnownName) + ")";
        // The command on a line of its own, so that copying it takes no punctuation along.
        text += " is installed here. Switch it on in the Extensions app, or with this command:\ngnome-extensions enable " +
                installed->uuid + "\n";
        if (wayland)
            text += "If you installed it during this session, log out and back in first.";
    } else {
        text = "GNOME shows tray icons only with the extension \xE2\x80\x9C" + std::string(kKnownName) +
               "\xE2\x80\x9D. Install it (Debian and Ubuntu: the package gnome-shell-extension-appindicator; "
               "otherwise from extensions.gnome.org), then switch it on in the Extensions app.";
        if (wayland)
            text += " On Wayland, log out and back in after installing it.";
    }
    return withTail(std::move(text));
}

// Menu paths only where they could be checked (Xfce 4.18 here) or have not changed for many releases.
std::string panelHint(const std::vector<std::string>& desktop)
{
    if (names(desktop, "xfce"))
        return " On Xfce, add the \xE2\x80\x9CStatus Tray Plugin\xE2\x80\x9D to a panel (right-click the panel, then "
               "Panel \xE2\x80\xBA Add New Items\xE2\x80\xA6).";
    if (names(desktop, "mate"))
        return " On MATE, add the \xE2\x80\x9CNotification Area\xE2\x80\x9D to a panel (right-click the panel, then "
               "Add to Panel\xE2\x80\xA6).";
    if (names(desktop, "x-cinnamon") || names(desktop, "cinnamon"))
        return " On Cinnamon, add the \xE2\x80\x9CXApp Status\xE2\x80\x9D applet (or the \xE2\x80\x9CSystem "
               "Tray\xE2\x80\x9D applet) to a panel.";
    if (names(desktop, "lxqt"))
        return " On LXQt, add the \xE2\x80\x9CStatus Notifier\xE2\x80\x9D widget to a panel.";
    if (names(desktop, "kde"))
        return " On Plasma, add the \xE2\x80\x9CSystem Tray\xE2\x80\x9D widget to a panel.";
    return "";
}

QString qs(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::shared_ptr<void> startQtTimer(std::chrono::milliseconds delay, std::function<void()> expired)
{
    auto* timer = new QTimer;
    timer->setSingleShot(true);
    // A coarse timer may fire up to 5 % early: a grace period of 30 s is never less than 30 s.
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, [expired = std::move(expired)] { expired(); });
    timer->start(delay);
    // Dropped from inside its own timeout too: delete it once control is back in the event loop.
    return std::shared_ptr<void>(timer, [](QTimer* t) {
        t->stop();
        t->deleteLater();
    });
}

std::shared_ptr<void> watchSessionBus(std::function<void()> appeared)
{
    auto* watcher = new QDBusServiceWatcher(QStringLiteral("org.freedesktop.Notifications"), SessionBus::shared().connection(),
                                            QDBusServiceWatcher::WatchForRegistration);
    QObject::connect(watcher, &QDBusServiceWatcher::serviceRegistered, watcher,
                     [appeared = std::move(appeared)](const QString&) { appeared(); });
    return std::shared_ptr<void>(watcher, [](QDBusServiceWatcher* w) { w->deleteLater(); });
}

} // namespace

TrayHostMissingNotice::TrayHostMissingNotice(NotificationCenter& center, std::string desktop, std::string sessionType,
                                             Seams seams)
    : m_center(center)
    , m_desktop(std::move(desktop))
    , m_sessionType(std::move(sessionType))
    , m_seams(std::move(seams))
    , m_alive(std::make_shared<TrayHostMissingNotice*>(this))
{
    if (!m_seams.startTimer)
        m_seams.startTimer = startQtTimer;
    if (!m_seams.watchNotificationServer)
        m_seams.watchNotificationServer = watchSessionBus;
    if (!m_seams.findAppIndicatorExtension)
        m_seams.findAppIndicatorExtension = [] { return findAppIndicatorExtension(shellExtensionDirectories()); };
}

TrayHostMissingNotice::TrayHostMissingNotice(NotificationCenter& center)
    : TrayHostMissingNotice(center, std::getenv("XDG_CURRENT_DESKTOP") ? std::getenv("XDG_CURRENT_DESKTOP") : "",
                            std::getenv("XDG_SESSION_TYPE") ? std::getenv("XDG_SESSION_TYPE") : "")
{
}

TrayHostMissingNotice::~TrayHostMissingNotice() = default;

void TrayHostMissingNotice::trayAbsent()
{
    if (m_state != State::Idle)
        return;
    m_state = State::CountingDown;
    HelperLog::info(kCategory, "No tray on this desktop yet; telling the user in " + std::to_string(gracePeriod.count()) +
                                   " s unless one appears");
    m_timer = m_seams.startTimer(gracePeriod, [this] {
        m_timer.reset();
        if (m_state == State::CountingDown)
            post();
    });
}

void TrayHostMissingNotice::trayPresent()
{
    const State was = m_state;
    m_state = State::Idle;
    m_timer.reset();
    m_serverWatch.reset();
    ++m_generation;
    switch (was) {
    case State::Idle:
        return;
    case State::CountingDown:
        HelperLog::info(kCategory, "A tray appeared; the user need not be told");
        return;
    case State::Posting:
    case State::WaitingForServer:
    case State::Posted:
        m_center.removeDelivered({kIdentifier});
        m_center.removePending({kIdentifier});
        HelperLog::info(kCategory, "A tray appeared; withdrew the notice that the desktop shows no tray");
        return;
    }
}

bool TrayHostMissingNotice::isCountingDown() const
{
    return m_state == State::CountingDown;
}

bool TrayHostMissingNotice::isPosted() const
{
    return m_state == State::Posting || m_state == State::WaitingForServer || m_state == State::Posted;
}

void TrayHostMissingNotice::post()
{
    m_state = State::Posting;
    m_serverAppearedMeanwhile = false;
    // Watched from before the call, so a server that comes up while it is on its way is not missed.
    if (!m_serverWatch) {
        m_serverWatch = m_seams.watchNotificationServer([this] {
            if (m_state == State::WaitingForServer) {
                HelperLog::info(kCategory, "A notification server appeared; telling the user that the desktop shows no tray");
                post();
            } else if (m_state == State::Posting) {
                m_serverAppearedMeanwhile = true;
            }
        });
    }
    NotificationRequest request;
    request.identifier = kIdentifier;
    request.content.title = kTitle;
    request.content.body = body(m_desktop, m_sessionType, m_seams.findAppIndicatorExtension());
    request.content.userInfo = Object{{"key", Value(std::string(kIdentifier))}};
    const unsigned generation = ++m_generation;
    m_center.add(std::move(request),
                 [alive = std::weak_ptr<TrayHostMissingNotice*>(m_alive), generation](std::optional<std::string> error) {
                     const auto self = alive.lock();
                     if (self && (*self)->m_generation == generation && (*self)->m_state == State::Posting)
                         (*self)->posted(std::move(error));
                 });
}

void TrayHostMissingNotice::posted(std::optional<std::string> error)
{
    if (!error) {
        m_state = State::Posted;
        m_serverWatch.reset();
        HelperLog::info(kCategory, "Told the user that the desktop shows no tray");
        return;
    }
    HelperLog::warn(kCategory, "Could not tell the user that the desktop shows no tray: " + *error +
                                   "; trying again when a notification server appears");
    m_state = State::WaitingForServer;
    if (std::exchange(m_serverAppearedMeanwhile, false)) {
        HelperLog::info(kCategory, "A notification server appeared; telling the user that the desktop shows no tray");
        post();
    }
}

std::string TrayHostMissingNotice::body(std::string_view desktop, std::string_view sessionType,
                                        const std::optional<ShellExtension>& installed)
{
    if (isGnomeShell(desktop))
        return gnomeBody(sessionType, installed);
    return withTail("Tarnwick\xE2\x80\x99s icon needs a system tray (a status notifier or notification area) in "
                    "your panel, and this desktop shows none." +
                    panelHint(desktopNames(desktop)));
}

bool TrayHostMissingNotice::isGnomeShell(std::string_view desktop)
{
    // Budgie names GNOME too, but its panel has a tray applet of its own.
    const auto list = desktopNames(desktop);
    return names(list, "gnome") && !names(list, "budgie");
}

std::optional<TrayHostMissingNotice::ShellExtension>
TrayHostMissingNotice::findAppIndicatorExtension(const std::vector<std::filesystem::path>& directories)
{
    for (const auto& directory : directories) {
        for (std::string_view uuid : kExtensionIds) {
            const std::filesystem::path folder = directory / uuid;
            std::error_code ec;
            if (!std::filesystem::is_directory(folder, ec))
                continue;
            ShellExtension extension{std::string(uuid), std::string(uuid)};
            QFile metadata(qs((folder / "metadata.json").string()));
            if (metadata.open(QIODevice::ReadOnly)) {
                const QJsonValue name = QJsonDocument::fromJson(metadata.readAll()).object().value(QStringLiteral("name"));
                if (name.isString() && !name.toString().trimmed().isEmpty())
                    extension.name = name.toString().trimmed().toStdString();
            }
            return extension;
        }
    }
    return std::nullopt;
}

std::vector<std::filesystem::path> TrayHostMissingNotice::shellExtensionDirectories()
{
    std::vector<std::filesystem::path> directories;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (dataHome && dataHome[0] == '/')
        directories.push_back(std::filesystem::path(dataHome) / "gnome-shell" / "extensions");
    else if (home && home[0] == '/')
        directories.push_back(std::filesystem::path(home) / ".local" / "share" / "gnome-shell" / "extensions");
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    const std::string list = dataDirs && dataDirs[0] ? dataDirs : "/usr/local/share:/usr/share";
    std::size_t from = 0;
    while (from <= list.size()) {
        const std::size_t colon = std::min(list.find(':', from), list.size());
        const std::string dir = list.substr(from, colon - from);
        if (!dir.empty() && dir.front() == '/')
            directories.push_back(std::filesystem::path(dir) / "gnome-shell" / "extensions");
        from = colon + 1;
    }
    return directories;
}

} // namespace tarnwick
