// Placing the popover through sway's IPC: the wire format, finding our window in sway's tree, telling
// the pointer from where sway centred the window, and the whole exchange against a stand-in for sway.

#include <QJsonDocument>
#include <QSignalSpy>
#include <QWidget>
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "tarnwick/helper/swaypopoverplacement.h"
#include "tarnwick/helper/traypopover.h"
#include "tarnwick/testing/eventwait.h"
#include "tarnwick/testing/tempdir.h"

using namespace tarnwick;
namespace ipc = tarnwick::swayipc;

namespace {

// A tree as sway 1.7 reports it: the scratchpad output, one real output whose workspace is the
// output less a 30 px top bar, and floating windows.
QByteArray tree(qint64 pid, QRect window, const QString& title = QStringLiteral("Tarnwick"))
{
    return QStringLiteral(R"({"id":1,"type":"root","rect":{"x":0,"y":0,"width":800,"height":400},"nodes":[
      {"id":2,"type":"output","name":"__i3","rect":{"x":0,"y":0,"width":800,"height":400},"nodes":[
        {"id":3,"type":"workspace","name":"__i3_scratch","rect":{"x":0,"y":0,"width":800,"height":400},
         "nodes":[],"floating_nodes":[]}]},
      {"id":4,"type":"output","name":"HEADLESS-1","rect":{"x":0,"y":0,"width":800,"height":400},"nodes":[
        {"id":5,"type":"workspace","name":"1","rect":{"x":0,"y":30,"width":800,"height":370},"nodes":[],
         "floating_nodes":[
           {"id":6,"type":"floating_con","name":"Tarnwick","pid":1,"rect":{"x":0,"y":0,"width":10,"height":10}},
           {"id":7,"type":"floating_con","name":"Settings","pid":%1,"rect":{"x":0,"y":0,"width":10,"height":10}},
           {"id":8,"type":"floating_con","name":"%6","pid":%1,
            "rect":{"x":%2,"y":%3,"width":%4,"height":%5}}]}]}]})")
        .arg(pid)
        .arg(window.x())
        .arg(window.y())
        .arg(window.width())
        .arg(window.height())
        .arg(title)
        .toUtf8();
}

// Answers one request per connection, as swaymsg uses sway: get_tree with the window where it is
// now, run_command by recording it and, for "move position cursor", moving the window where sway
// would have put it.
class FakeSway {
public:
    FakeSway(qint64 pid, QRect mapped, QRect centred)
        : m_pid(pid)
        , m_rect(mapped)
        , m_centred(centred)
    {
        m_path = (m_dir / "ipc.sock").string();
        m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, m_path.c_str(), sizeof(address.sun_path) - 1);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        ::listen(m_listener, 4);
        m_thread = std::thread([this] { serve(); });
    }
    ~FakeSway()
    {
        ::shutdown(m_listener, SHUT_RDWR);
        ::close(m_listener);
        m_thread.join();
    }

    const std::string& path() const { return m_path; }
    std::vector<std::string> commands() const
    {
        std::lock_guard lock(m_mutex);
        return m_commands;
    }

private:
    void serve()
    {
        for (;;) {
            const int fd = ::accept(m_listener, nullptr, nullptr);
            if (fd < 0)
                return;
            QByteArray request;
            char chunk[4096];
            // The header's numbers sit at odd offsets: copied out, never read in place.
            auto headerField = [&](int offset) {
                uint32_t value = 0;
                std::memcpy(&value, request.constData() + offset, sizeof(value));
                return value;
            };
            while (request.size() < 14 || uint32_t(request.size()) < 14 + headerField(6)) {
                const ssize_t n = ::read(fd, chunk, sizeof(chunk));
                if (n <= 0)
                    break;
                request.append(chunk, n);
            }
            if (request.size() >= 14) {
                const uint32_t type = headerField(10);
                const QByteArray payload = request.mid(14);
                QByteArray reply;
                std::lock_guard lock(m_mutex);
                if (type == ipc::getTree) {
                    reply = tree(m_pid, m_rect);
                } else {
                    m_commands.push_back(payload.toStdString());
                    if (payload.endsWith("move position cursor"))
                        m_rect = m_centred;
                    reply = R"([{"success":true}])";
                }
                const QByteArray framed = ipc::encode(ipc::MessageType(type), reply);
                (void)!::write(fd, framed.constData(), size_t(framed.size()));
            }
            ::close(fd);
        }
    }

    tarnwick::testing::TempDir m_dir;
    std::string m_path;
    int m_listener = -1;
    qint64 m_pid;
    QRect m_rect, m_centred;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_commands;
    std::thread m_thread;
};

} // namespace

TEST(SwayIpc, FramesRequestsAndWaitsForWholeReplies)
{
    const QByteArray framed = ipc::encode(ipc::runCommand, "reload");
    ASSERT_EQ(framed.size(), 14 + 6);
    EXPECT_EQ(framed.left(6), "i3-ipc");
    uint32_t length = 0, type = 99;
    std::memcpy(&length, framed.constData() + 6, 4);
    std::memcpy(&type, framed.constData() + 10, 4);
    EXPECT_EQ(length, 6u);
    EXPECT_EQ(type, 0u);

    const QByteArray reply = ipc::encode(ipc::getTree, R"({"id":1})");
    EXPECT_EQ(ipc::decodePayload(reply), QByteArray(R"({"id":1})"));
    EXPECT_EQ(ipc::decodePayload(reply.left(reply.size() - 1)), std::nullopt) << "a reply cut short";
    EXPECT_EQ(ipc::decodePayload(reply.left(10)), std::nullopt) << "a header cut short";
    EXPECT_EQ(ipc::decodePayload(QByteArray("i3-ipX") + reply.mid(6)), std::nullopt);
    EXPECT_EQ(ipc::decodePayload(reply + "trailing"), QByteArray(R"({"id":1})"));
}

TEST(SwayIpc, FindsOurWindowWithItsOutputAndUsableArea)
{
    const auto doc = QJsonDocument::fromJson(tree(4242, QRect(230, 128, 340, 175))).object();
    const auto window = ipc::findWindow(doc, 4242, QStringLiteral("Tarnwick"));
    ASSERT_TRUE(window);
    EXPECT_EQ(window->id, 8) << "neither another program's Tarnwick nor our other window";
    EXPECT_EQ(window->rect, QRect(230, 128, 340, 175));
    EXPECT_EQ(window->output, QRect(0, 0, 800, 400));
    EXPECT_EQ(window->usable, QRect(0, 30, 800, 370)) << "the workspace leaves out the bar";
    EXPECT_FALSE(ipc::findWindow(doc, 4243, QStringLiteral("Tarnwick")));
    EXPECT_FALSE(ipc::findWindow(QJsonObject(), 4242, QStringLiteral("Tarnwick")));
}

TEST(SwayIpc, CallsReachNothingWhenSwayIsGone)
{
    tarnwick::testing::TempDir dir;
    EXPECT_FALSE(ipc::call((dir / "none.sock").string(), ipc::getTree, {}));
    EXPECT_FALSE(ipc::call("", ipc::getTree, {}));
    EXPECT_FALSE(ipc::call(std::string(200, 'x'), ipc::getTree, {})) << "longer than a socket path can be";
}

TEST(SwayPointer, IsTheCentreUnlessSwayKeptTheWindowOnTheOutput)
{
    const QRect output(0, 0, 800, 400);
    EXPECT_EQ(ipc::pointerFromCentred(QRect(230, 128, 340, 176), output), QPoint(400, 216));
    // A top bar's item near the right end: pushed left and down onto the output.
    EXPECT_EQ(ipc::pointerFromCentred(QRect(460, 0, 340, 176), output), QPoint(799, 0));
    // A bottom bar's item near the left end.
    EXPECT_EQ(ipc::pointerFromCentred(QRect(0, 224, 340, 176), output), QPoint(0, 399));
    // A second output to the right of the first.
    EXPECT_EQ(ipc::pointerFromCentred(QRect(1000, 100, 340, 176), QRect(800, 0, 1024, 768)), QPoint(1170, 188));
    // Wider than the output: nothing to tell, the centre it is.
    EXPECT_EQ(ipc::pointerFromCentred(QRect(-20, 0, 840, 100), output).x(), 400);
}

TEST(SwayPointer, GivesThePopoverItsPlaceBesideTheBar)
{
    const QRect output(0, 0, 800, 400);
    const QSize size(340, 176);
    // Top bar: right under it, flush with the right edge.
    EXPECT_EQ(TrayPopover::placement(ipc::pointerFromCentred(QRect(460, 0, 340, 176), output), size,
                                     QRect(0, 30, 800, 370)),
              QPoint(460, 30));
    // Top bar, item in the middle: centred under it.
    EXPECT_EQ(TrayPopover::placement(ipc::pointerFromCentred(QRect(230, 0, 340, 176), output), size,
                                     QRect(0, 30, 800, 370)),
              QPoint(230, 30));
    // Bottom bar: right above it.
    EXPECT_EQ(TrayPopover::placement(ipc::pointerFromCentred(QRect(0, 224, 340, 176), output), size,
                                     QRect(0, 0, 800, 370)),
              QPoint(0, 194));
}

TEST(SwayPopoverPlacement, MovesTheMappedWindowBesideThePointer)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Tarnwick"));
    window.resize(340, 176);
    window.show();
    FakeSway sway(::getpid(), QRect(230, 112, 340, 176), QRect(460, 0, 340, 176));
    SwayPopoverPlacement placement(sway.path(), window);
    QSignalSpy placed(&placement, &SwayPopoverPlacement::placed);
    placement.start();
    ASSERT_TRUE(tarnwick::testing::waitUntil([&] { return placed.count() == 1; }));
    EXPECT_EQ(placed.at(0).at(0).toPoint(), QPoint(460, 30));
    EXPECT_EQ(sway.commands(),
              (std::vector<std::string>{"[con_id=8] move position cursor", "[con_id=8] move absolute position 460 30"}));
}

TEST(SwayPopoverPlacement, LeavesAWindowSwayNeverShowsAlone)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Tarnwick"));
    window.show();
    FakeSway sway(::getpid() + 1, QRect(230, 112, 340, 176), QRect(460, 0, 340, 176)); // someone else's
    SwayPopoverPlacement placement(sway.path(), window);
    QSignalSpy placed(&placement, &SwayPopoverPlacement::placed);
    placement.start();
    EXPECT_FALSE(tarnwick::testing::waitUntil([&] { return placed.count() > 0; }, std::chrono::milliseconds(2500)));
    EXPECT_TRUE(sway.commands().empty()) << "nothing is moved that is not ours";
}
