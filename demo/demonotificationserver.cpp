// A stand-in for the desktop's notification server in the demonstration: it owns
// org.freedesktop.Notifications on the session bus, prints each banner it is asked to show instead of
// drawing it, and plays a user who clicks the first banner a moment after it appears.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <cstdio>

namespace {

class DemoNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    using QObject::QObject;

public Q_SLOTS:
    QStringList GetCapabilities()
    {
        return {QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("sound")};
    }

    uint Notify(const QString& appName, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int)
    {
        const uint id = m_nextId++;
        QStringList titles;
        for (qsizetype i = 1; i < actions.size(); i += 2)
            if (actions[i - 1] != QLatin1String("default"))
                titles << actions[i];
        const QString sound = hints.contains(QStringLiteral("suppress-sound"))
                                  ? QStringLiteral("silent")
                                  : hints.value(QStringLiteral("sound-name")).toString();
        print(QStringLiteral("banner #%1 from %2: \"%3\" — %4  [%5]  sound: %6%7")
                  .arg(id)
                  .arg(appName, summary, QString(body).replace(QLatin1Char('\n'), QStringLiteral(" / ")),
                       titles.join(QStringLiteral(", ")), sound,
                       hints.contains(QStringLiteral("image-path")) ? QStringLiteral(", with a category picture")
                                                                    : QString()));
        if (id == 1)
            QTimer::singleShot(400, this, [this, id] {
                print(QStringLiteral("the user clicks banner #%1").arg(id));
                emitSignal(QStringLiteral("ActionInvoked"), {id, QStringLiteral("default")});
                emitSignal(QStringLiteral("NotificationClosed"), {id, 2u});
            });
        return id;
    }

    void CloseNotification(uint id) { print(QStringLiteral("banner #%1 withdrawn").arg(id)); }

    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion)
    {
        vendor = QStringLiteral("Tarnwick demo");
        version = QStringLiteral("1");
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("demo-notification-server");
    }

private:
    static void print(const QString& line)
    {
        std::printf("%s\n", line.toUtf8().constData());
        std::fflush(stdout);
    }

    static void emitSignal(const QString& member, const QVariantList& arguments)
    {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                         QStringLiteral("org.freedesktop.Notifications"), member);
        signal.setArguments(arguments);
        QDBusConnection::sessionBus().send(signal);
    }

    uint m_nextId = 1;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    DemoNotificationServer server;
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fprintf(stderr, "demo-notification-server: cannot own org.freedesktop.Notifications\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "demonotificationserver.moc"
