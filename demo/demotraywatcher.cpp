// A stand-in for the desktop's tray in the demonstration: it owns org.kde.StatusNotifierWatcher on the
// session bus, prints what a tray would show of each registered item (its tooltip), saves the item's
// picture as a PNG, and reads commands on standard input: "click" plays a click on the item,
// "screenshot FILE" saves what is on the screen (the part that is not bare background) as a PNG.

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QImage>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>
#include <QtEndian>
#include <cstdio>
#include <unistd.h>

namespace {

const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");

void print(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// The largest picture of an a(iiay) pixmap list (ARGB32 in network byte order).
QImage largestPixmap(const QDBusArgument& argument)
{
    QImage best;
    argument.beginArray();
    while (!argument.atEnd()) {
        int width = 0, height = 0;
        QByteArray bytes;
        argument.beginStructure();
        argument >> width >> height >> bytes;
        argument.endStructure();
        if (width <= 0 || height <= 0 || bytes.size() < qsizetype(width) * height * 4 ||
            width * height <= best.width() * best.height())
            continue;
        QImage image(width, height, QImage::Format_ARGB32);
        const auto* pixels = reinterpret_cast<const quint32*>(bytes.constData());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, qFromBigEndian(pixels[y * width + x]));
        best = image;
    }
    argument.endArray();
    return best;
}

class DemoTrayWatcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    explicit DemoTrayWatcher(QString iconFile) : m_iconFile(std::move(iconFile))
    {
        m_refresh.setSingleShot(true);
        m_refresh.setInterval(100); // one look per burst of changes, as a tray repaints
        connect(&m_refresh, &QTimer::timeout, this, &DemoTrayWatcher::describeItem);
    }

    QStringList registeredItems() const { return m_item.isEmpty() ? QStringList{} : QStringList{m_item}; }
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

    // The smallest rectangle of the screen holding everything that differs from the background.
    static void screenshot(const QString& file)
    {
        QScreen* screen = QGuiApplication::primaryScreen();
        const QImage shot = screen ? screen->grabWindow(0).toImage() : QImage();
        if (shot.isNull()) {
            print(QStringLiteral("(no screen to take a picture of)"));
            return;
        }
        const QRgb background = shot.pixel(0, shot.height() - 1);
        QRect used;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (shot.pixel(x, y) != background)
                    used |= QRect(x, y, 1, 1);
        if (used.isEmpty()) {
            print(QStringLiteral("the screen is empty"));
            return;
        }
        if (shot.copy(used).save(file, "PNG"))
            print(QStringLiteral("screen picture (%1 x %2 px) saved to %3").arg(used.width()).arg(used.height()).arg(file));
    }

    void click()
    {
        if (m_item.isEmpty()) {
            print(QStringLiteral("(no tray item to click)"));
            return;
        }
        print(QStringLiteral("the user clicks the tray item"));
        QDBusMessage call = QDBusMessage::createMethodCall(m_service, kItemPath, kItemInterface,
                                                           QStringLiteral("Activate"));
        call << 1180 << 0;
        QDBusConnection::sessionBus().asyncCall(call);
    }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service)
    {
        m_service = service.startsWith(QLatin1Char('/')) ? message().service() : service;
        m_item = m_service + kItemPath;
        print(QStringLiteral("tray item registered"));
        auto bus = QDBusConnection::sessionBus();
        for (const char* signal : {"NewIcon", "NewToolTip", "NewTitle"})
            bus.connect(m_service, kItemPath, kItemInterface, QLatin1String(signal), this, SLOT(itemChanged()));
        m_refresh.start();
    }
    void RegisterStatusNotifierHost(const QString&) {}

private Q_SLOTS:
    void itemChanged() { m_refresh.start(); }

private:
    void describeItem()
    {
        const auto toolTip = property(QStringLiteral("ToolTip"));
        if (toolTip.has_value()) {
            QString iconName, title, text;
            toolTip->beginStructure();
            *toolTip >> iconName;
            largestPixmap(*toolTip);
            *toolTip >> title >> text;
            toolTip->endStructure();
            if (title != m_lastToolTip)
                print(QStringLiteral("tray item reads: \"%1\"").arg(title));
            m_lastToolTip = title;
        }
        if (const auto pixmaps = property(QStringLiteral("IconPixmap"))) {
            const QImage icon = largestPixmap(*pixmaps);
            if (!icon.isNull() && !m_iconFile.isEmpty() && icon != m_lastIcon && icon.save(m_iconFile, "PNG"))
                print(QStringLiteral("tray item picture (%1 x %2 px) saved to %3")
                          .arg(icon.width())
                          .arg(icon.height())
                          .arg(m_iconFile));
            m_lastIcon = icon;
        }
    }

    std::optional<QDBusArgument> property(const QString& name) const
    {
        QDBusMessage get = QDBusMessage::createMethodCall(m_service, kItemPath,
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
        get << kItemInterface << name;
        const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 2000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return std::nullopt;
        const QVariant value = reply.arguments().first().value<QDBusVariant>().variant();
        if (!value.canConvert<QDBusArgument>())
            return std::nullopt;
        return value.value<QDBusArgument>();
    }

    QString m_iconFile;
    QString m_service;
    QString m_item;
    QString m_lastToolTip;
    QImage m_lastIcon;
    QTimer m_refresh;
};

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    DemoTrayWatcher watcher(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) ||
        !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
        std::fprintf(stderr, "demo-tray-watcher: cannot own org.kde.StatusNotifierWatcher\n");
        return 1;
    }

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            return;
        }
        for (const QByteArray& line : QByteArray(buffer, int(n)).split('\n')) {
            if (line == "click")
                watcher.click();
            else if (line.startsWith("screenshot "))
                DemoTrayWatcher::screenshot(QString::fromLocal8Bit(line.mid(11)));
        }
    });
    print(QStringLiteral("ready"));
    return QGuiApplication::exec();
}

#include "demotraywatcher.moc"
