#include "tarnwick/helper/swaypopoverplacement.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "tarnwick/helper/traypopover.h"
#include "tarnwick/rpc/helperlog.h"

namespace tarnwick {

namespace swayipc {

namespace {

constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr qsizetype kHeader = sizeof(kMagic) + 2 * sizeof(uint32_t);

QRect rectOf(const QJsonObject& node)
{
    const QJsonObject r = node.value(QStringLiteral("rect")).toObject();
    return {r.value(QStringLiteral("x")).toInt(), r.value(QStringLiteral("y")).toInt(),
            r.value(QStringLiteral("width")).toInt(), r.value(QStringLiteral("height")).toInt()};
}

std::optional<Window> search(const QJsonObject& node, qint64 pid, const QString& title, QRect output, QRect usable)
{
    const QString type = node.value(QStringLiteral("type")).toString();
    if (type == QLatin1String("output"))
        output = rectOf(node);
    else if (type == QLatin1String("workspace"))
        usable = rectOf(node);
    else if (node.value(QStringLiteral("pid")).toInteger(-1) == pid &&
             node.value(QStringLiteral("name")).toString() == title)
        return Window{node.value(QStringLiteral("id")).toInteger(), rectOf(node), output, usable};
    for (const char* key : {"nodes", "floating_nodes"})
        for (const QJsonValue child : node.value(QLatin1String(key)).toArray())
            if (auto found = search(child.toObject(), pid, title, output, usable))
                return found;
    return std::nullopt;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

QByteArray encode(MessageType type, const QByteArray& payload)
{
    QByteArray bytes(kMagic, sizeof(kMagic));
    const uint32_t length = uint32_t(payload.size());
    const uint32_t kind = type;
    bytes.append(reinterpret_cast<const char*>(&length), sizeof(length));
    bytes.append(reinterpret_cast<const char*>(&kind), sizeof(kind));
    return bytes + payload;
}

std::optional<QByteArray> decodePayload(const QByteArray& buffer)
{
    if (buffer.size() < kHeader || std::memcmp(buffer.constData(), kMagic, sizeof(kMagic)) != 0)
        return std::nullopt;
    uint32_t length = 0;
    std::memcpy(&length, buffer.constData() + sizeof(kMagic), sizeof(length));
    if (buffer.size() - kHeader < qsizetype(length))
        return std::nullopt;
    return buffer.mid(kHeader, qsizetype(length));
}

std::optional<QByteArray> call(const std::string& path, MessageType type, const QByteArray& payload,
                               std::chrono::milliseconds timeout)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return std::nullopt;
    std::memcpy(address.sun_path, path.data(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return std::nullopt;
    std::optional<QByteArray> reply;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 &&
        writeAll(fd, encode(type, payload))) {
        QByteArray buffer;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!reply) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{fd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, int(left.count())) <= 0)
                break;
            char chunk[16384];
            const ssize_t n = ::read(fd, chunk, sizeof(chunk));
            if (n <= 0)
                break;
            buffer.append(chunk, n);
            reply = decodePayload(buffer);
        }
    }
    ::close(fd);
    return reply;
}

std::optional<Window> findWindow(const QJsonObject& tree, qint64 pid, const QString& title)
{
    return search(tree, pid, title, {}, {});
}

QPoint pointerFromCentred(QRect centred, QRect output)
{
    auto axis = [](int low, int high, int outLow, int outHigh) {
        if (low <= outLow && high < outHigh)
            return outLow;
        if (high >= outHigh && low > outLow)
            return outHigh;
        return low + (high - low + 1) / 2;
    };
    return {axis(centred.left(), centred.right(), output.left(), output.right()),
            axis(centred.top(), centred.bottom(), output.top(), output.bottom())};
}

} // namespace swayipc

namespace {

constexpr int kMaxAttempts = 100; // 2 s at 20 ms: a window sway has not mapped by then stays put

QByteArray command(qint64 id, const QString& what)
{
    return QStringLiteral("[con_id=%1] %2").arg(id).arg(what).toUtf8();
}

std::optional<swayipc::Window> ourWindow(const std::string& socket, const QString& title)
{
    const auto tree = swayipc::call(socket, swayipc::getTree, {});
    if (!tree)
        return std::nullopt;
    return swayipc::findWindow(QJsonDocument::fromJson(*tree).object(), qint64(::getpid()), title);
}

} // namespace

std::string SwayPopoverPlacement::socketPath()
{
    if (QGuiApplication::platformName() != QLatin1String("wayland"))
        return {};
    return qEnvironmentVariable("SWAYSOCK").toStdString();
}

SwayPopoverPlacement::SwayPopoverPlacement(std::string socketPath, QWidget& window)
    : QObject(&window)
    , m_socket(std::move(socketPath))
    , m_window(&window)
{
    m_retry.setInterval(20);
    connect(&m_retry, &QTimer::timeout, this, &SwayPopoverPlacement::step);
}

void SwayPopoverPlacement::start()
{
    static const bool logged = [] {
        HelperLog::info("Tray", "Popover placed by sway at the pointer (the tray's click coordinates are the item's own)");
        return true;
    }();
    (void)logged;
    m_attempts = 0;
    m_retry.start();
}

void SwayPopoverPlacement::step()
{
    if (!m_window || !m_window->isVisible() || ++m_attempts > kMaxAttempts) {
        m_retry.stop();
        return;
    }
    const QString title = m_window->windowTitle();
    const auto mapped = ourWindow(m_socket, title);
    if (!mapped)
        return; // not in sway's tree yet
    m_retry.stop();
    // Sway centres the window on the pointer (keeping it on that output); where it lands says
    // where the pointer is.
    swayipc::call(m_socket, swayipc::runCommand, command(mapped->id, QStringLiteral("move position cursor")));
    const auto centred = ourWindow(m_socket, title);
    if (!centred)
        return;
    const QPoint pointer = swayipc::pointerFromCentred(centred->rect, centred->output);
    const QPoint topLeft = TrayPopover::placement(pointer, centred->rect.size(), centred->usable);
    swayipc::call(m_socket, swayipc::runCommand,
                  command(mapped->id, QStringLiteral("move absolute position %1 %2").arg(topLeft.x()).arg(topLeft.y())));
    Q_EMIT placed(topLeft);
}

} // namespace tarnwick
