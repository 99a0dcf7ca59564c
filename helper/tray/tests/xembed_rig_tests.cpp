// tarnwick-helper under i3, whose bar (i3bar) has a tray that speaks only XEmbed and no
// StatusNotifierWatcher on the bus: the item must appear in the bar's tray, legible on the bar,
// open its popover under itself on a real click, close it again, and come back when the bar
// restarts; the user is never told there is no tray. The rig's banner support is checked against
// dunst, its notification server. One i3 session serves every case.

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDir>
#include <QImage>
#include <algorithm>
#include <climits>
#include <gtest/gtest.h>

#include "i3rig.h"
#include "tarnwick/testing/eventwait.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"
#include "traypixels.h"

using tarnwick::test::badgeBounds;
using tarnwick::test::contrast;
using tarnwick::test::isBadge;
using tarnwick::testing::I3Rig;
using tarnwick::testing::Subprocess;
using tarnwick::testing::TempDir;

namespace {

constexpr auto kWait = std::chrono::seconds(15);
constexpr const char* kOpened = R"({"method":"tray.popoverOpened"})";
constexpr const char* kEmbedded = "I|Tray|Tray item embedded in the XEmbed system tray";
// What the helper logs when it posts (or fails to post) the notice that the desktop has no tray.
constexpr const char* kNoTrayNotice = "the desktop shows no tray";

I3Rig* rig = nullptr;

class I3Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!I3Rig::installed())
            return;
        m_rig = std::make_unique<I3Rig>();
        ASSERT_TRUE(m_rig->start()) << m_rig->failure();
        ASSERT_TRUE(m_rig->waitForTrayAndNotifications(std::chrono::seconds(20))) << m_rig->failure();
        rig = m_rig.get();
    }
    void TearDown() override
    {
        rig = nullptr;
        m_rig.reset();
    }

private:
    std::unique_ptr<I3Rig> m_rig;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new I3Environment);

// Kept for a person to look at; never compared.
void review(const QImage& image, const QString& name)
{
    const QString dir = QStringLiteral(TARNWICK_REVIEW_DIR);
    QDir().mkpath(dir);
    image.save(dir + "/" + name);
}

// The helper in the i3 session, with its item created and two accounts' counts (15 unread).
class Helper {
public:
    Helper()
        : m_process(tarnwick::testing::builtProgram("helper/tarnwick-helper"), {}, options())
    {
        m_process.write(R"({"id":1,"method":"tray.create"})" "\n"
                        R"({"id":2,"method":"tray.update","params":{"accounts":[{"id":"w","name":"Work","color":"#2563eb","unreadCount":3},{"id":"h","name":"Home","color":"#16a34a","unreadCount":12}],"totalUnread":15}})" "\n");
    }

    Subprocess& process() { return m_process; }
    int pid() const { return m_process.pid(); }
    // The helper's log, and the protocol lines a wait skipped.
    std::string log()
    {
        std::string text = m_process.stderrText() + "\nstdout:\n";
        for (const std::string& line : m_process.skipped())
            text += line + "\n";
        return text;
    }

    std::optional<QRect> waitForItem()
    {
        std::optional<QRect> item;
        tarnwick::testing::pollUntil([&] { return (item = rig->trayItemGeometry(pid())).has_value(); }, kWait);
        return item;
    }

    // The popover's window, while it is on the screen.
    std::optional<QRect> popover()
    {
        for (const auto& window : rig->windows())
            if (window.pid == pid() && window.title == "Tarnwick")
                return window.geometry;
        return std::nullopt;
    }

    bool waitForPopover(bool shown)
    {
        return tarnwick::testing::pollUntil([&] { return popover().has_value() == shown; }, kWait);
    }

private:
    Subprocess::Options options()
    {
        Subprocess::Options o;
        o.setEnv = rig->sessionEnvironment();
        o.setEnv["QT_QPA_PLATFORM"] = "xcb";
        o.setEnv["TMPDIR"] = m_tmp.path().string();
        return o;
    }

    TempDir m_tmp;
    Subprocess m_process;
};

class XEmbedTrayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!I3Rig::installed())
            GTEST_SKIP() << "i3, i3bar, dunst, xdotool, x11-utils and imagemagick are installed by scripts/setup.sh";
        ASSERT_TRUE(rig) << "the i3 session did not start (see above)";
    }
};

} // namespace

TEST_F(XEmbedTrayTest, TheItemAppearsInTheBarsTrayLegiblyAndNoNoticeSaysThereIsNoTray)
{
    const QImage empty = rig->screenshot();
    const int barHeight = rig->barHeight();
    ASSERT_GT(barHeight, 0);
    const QRgb bar = empty.pixel(empty.width() / 2, barHeight / 2);

    Helper helper;
    ASSERT_TRUE(helper.process().waitForStderr(kEmbedded, kWait)) << helper.log();
    const auto item = helper.waitForItem();
    ASSERT_TRUE(item) << "no window of the helper in i3bar's tray; helper log:\n" << helper.log();
    EXPECT_GE(item->top(), 0);
    EXPECT_LE(item->bottom(), barHeight - 1) << "the icon lies in the bar";
    EXPECT_GE(item->width(), 12);

    // i3bar draws the icon once it paints: wait for the badge.
    QImage shot;
    ASSERT_TRUE(tarnwick::testing::pollUntil(
        [&] {
            shot = rig->screenshot();
            for (int y = item->top(); y <= item->bottom(); ++y)
                for (int x = item->left(); x <= item->right(); ++x)
                    if (isBadge(shot.pixel(x, y)))
                        return true;
            return false;
        },
        kWait))
        << "no badge in the tray";
    review(shot.copy(0, 0, shot.width(), barHeight + 8).scaled(shot.width() * 4, (barHeight + 8) * 4),
           QStringLiteral("i3-tray-item.png"));

    // The icon is the bar's colour where the picture is transparent: no box around it.
    const QRect corners[] = {QRect(item->topLeft(), QSize(2, 2)), QRect(item->topRight() - QPoint(1, 0), QSize(2, 2))};
    for (const QRect& corner : corners)
        for (int y = corner.top(); y <= corner.bottom(); ++y)
            for (int x = corner.left(); x <= corner.right(); ++x)
                EXPECT_LT(contrast(shot.pixel(x, y), bar), 1.25) << "icon background at " << x << "," << y;

    const QRect badge = badgeBounds(shot, *item);
    const int glyphPixels = tarnwick::test::glyphPixels(shot, *item, bar, badge);
    EXPECT_GE(glyphPixels, 15) << "the glyph must contrast with the bar";

    // The badge's digits: light pixels inside the pill, that is with its red on both sides in their
    // row or in their column. At i3bar's 16 pixels the digits fill the pill's width, so its rounded
    // ends leave no red beside their top and bottom rows; red above and below still encloses them.
    // The pill's light rim has red on one side only.
    auto redToward = [&](int x, int y, int dx, int dy) {
        for (x += dx, y += dy; badge.adjusted(-1, -1, 1, 1).contains(x, y); x += dx, y += dy)
            if (isBadge(shot.pixel(x, y)))
                return true;
        return false;
    };
    int top = INT_MAX, bottom = INT_MIN;
    for (int y = badge.top(); y <= badge.bottom(); ++y)
        for (int x = badge.left(); x <= badge.right(); ++x) {
            const QRgb c = shot.pixel(x, y);
            const bool light = qRed(c) > 215 && qGreen(c) > 215 && qBlue(c) > 215;
            if (light && ((redToward(x, y, -1, 0) && redToward(x, y, 1, 0)) ||
                          (redToward(x, y, 0, -1) && redToward(x, y, 0, 1)))) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    ASSERT_LE(top, bottom) << "no digits in the badge";
    EXPECT_GE(bottom - top + 1, 8) << "digits of the badge, in pixels";

    // The helper knew there was no watcher, and said nothing to the user about a missing tray.
    EXPECT_NE(helper.log().find("No StatusNotifierWatcher on the session bus"), std::string::npos) << helper.log();
    EXPECT_EQ(helper.log().find(kNoTrayNotice), std::string::npos) << helper.log();
    for (const std::string& banner : rig->visibleBanners())
        EXPECT_EQ(banner.find("no tray icon"), std::string::npos) << banner;
}

TEST_F(XEmbedTrayTest, ARealClickOpensThePopoverUnderTheItemAndASecondClickOrEscapeClosesIt)
{
    Helper helper;
    const auto item = helper.waitForItem();
    ASSERT_TRUE(item) << helper.log();

    rig->click(item->center());
    ASSERT_TRUE(helper.process().readLineUntil([](const std::string& l) { return l == kOpened; }, kWait))
        << helper.log();
    ASSERT_TRUE(helper.waitForPopover(true)) << "no popover window on the screen";
    const QRect window = *helper.popover();
    review(rig->screenshot(), QStringLiteral("i3-popover.png"));
    const int dx = item->center().x() < window.left()    ? window.left() - item->center().x()
                   : item->center().x() > window.right() ? item->center().x() - window.right()
                                                         : 0;
    EXPECT_LE(dx, 50) << "popover at x " << window.left() << ".." << window.right() << ", item at " << item->center().x();
    EXPECT_GE(window.top(), item->bottom()) << "the popover opens below the bar's item";
    EXPECT_LE(window.top() - item->bottom(), 50) << "popover at y " << window.top() << ", item bottom " << item->bottom();

    // A second click on the item closes it.
    rig->click(item->center());
    EXPECT_TRUE(helper.waitForPopover(false)) << "the popover stayed after a second click";

    // Opened again, Escape closes it. A press within a quarter second of a close is taken for the
    // closing press itself and ignored, and nothing says when that quarter has passed: a click that
    // came too soon is repeated.
    bool reopened = false;
    for (int attempt = 0; attempt < 4 && !reopened; ++attempt) {
        rig->click(item->center());
        reopened = helper.process()
                       .readLineUntil([](const std::string& l) { return l == kOpened; }, std::chrono::seconds(1))
                       .has_value();
    }
    ASSERT_TRUE(reopened) << helper.log();
    ASSERT_TRUE(helper.waitForPopover(true));
    rig->key("Escape");
    EXPECT_TRUE(helper.waitForPopover(false)) << "the popover stayed after Escape";
}

TEST_F(XEmbedTrayTest, TheItemLeavesWithTheBarAndReturnsWhenTheBarRestarts)
{
    Helper helper;
    ASSERT_TRUE(helper.waitForItem()) << helper.log();

    ASSERT_TRUE(rig->stopBar()) << rig->failure();
    ASSERT_TRUE(helper.process().waitForStderr("I|Tray|The XEmbed system tray went away", kWait)) << helper.log();
    // The bar's save-set hands the icon back to the root: it must not stay there as a stray square.
    EXPECT_TRUE(tarnwick::testing::pollUntil(
        [&] {
            for (const auto& window : rig->windows())
                if (window.pid == helper.pid())
                    return false;
            return true;
        },
        kWait))
        << "a window of the helper is left on the screen";

    ASSERT_TRUE(rig->restartI3()) << rig->failure();
    EXPECT_TRUE(helper.waitForItem()) << "the item did not come back to the new bar; helper log:\n" << helper.log();
}

namespace {
// Actions the notification server reports as pressed. QtDBus (6.4) connects bus signals by name only.
class ActionRecorder : public QObject {
    Q_OBJECT
public:
    std::vector<QString> keys;
public Q_SLOTS:
    void onActionInvoked(uint, const QString& key) { keys.push_back(key); }
};
} // namespace

TEST_F(XEmbedTrayTest, DunstPressesABannersActionAndHoldsBannersWhilePaused)
{
    // The rig's own banner support against dunst, which the helper's banner tests rely on there.
    const QString name = QStringLiteral("i3-banner-client");
    QDBusConnection bus = QDBusConnection::connectToBus(
        QString::fromStdString(rig->sessionEnvironment().at("DBUS_SESSION_BUS_ADDRESS")), name);
    ASSERT_TRUE(bus.isConnected());
    ActionRecorder actions;
    ASSERT_TRUE(bus.connect(QString(), QStringLiteral("/org/freedesktop/Notifications"),
                            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"), &actions,
                            SLOT(onActionInvoked(uint, QString))));
    QDBusInterface server(QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
                          QStringLiteral("org.freedesktop.Notifications"), bus);
    auto notify = [&](const QString& summary) {
        return server.call(QStringLiteral("Notify"), QStringLiteral("rig"), 0u, QString(), summary, QStringLiteral("body"),
                           QStringList{QStringLiteral("open"), QStringLiteral("Open"), QStringLiteral("copy"),
                                       QStringLiteral("Copy Code")},
                           QVariantMap(), -1)
                   .type() == QDBusMessage::ReplyMessage;
    };
    auto shown = [&](const std::string& summary) {
        const auto banners = rig->visibleBanners();
        return std::find(banners.begin(), banners.end(), summary) != banners.end();
    };

    ASSERT_TRUE(notify(QStringLiteral("Rig banner")));
    ASSERT_TRUE(tarnwick::testing::pollUntil([&] { return shown("Rig banner"); }, kWait));
    ASSERT_TRUE(rig->pressBannerAction("copy"));
    EXPECT_TRUE(tarnwick::testing::waitUntil([&] { return !actions.keys.empty(); }, kWait));
    EXPECT_EQ(actions.keys, std::vector<QString>{QStringLiteral("copy")});

    // Paused, dunst holds a banner back; it shows once the pause ends.
    ASSERT_TRUE(rig->setDoNotDisturb(true));
    ASSERT_TRUE(notify(QStringLiteral("Held banner")));
    Subprocess::Options session;
    session.setEnv = rig->sessionEnvironment();
    ASSERT_TRUE(tarnwick::testing::pollUntil(
        [&] {
            const auto out =
                tarnwick::testing::run(tarnwick::testing::programOnPath("dunstctl"), {"count", "waiting"}, session).out;
            return std::atoi(out.c_str()) >= 1;
        },
        kWait))
        << "dunst never held the banner back";
    EXPECT_FALSE(shown("Held banner"));
    ASSERT_TRUE(rig->setDoNotDisturb(false));
    EXPECT_TRUE(tarnwick::testing::pollUntil([&] { return shown("Held banner"); }, kWait));
    QDBusConnection::disconnectFromBus(name);
}

#include "xembed_rig_tests.moc"
