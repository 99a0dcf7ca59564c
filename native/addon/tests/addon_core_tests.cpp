// The addon's parts that need no Node runtime: share items, the mailto hand-off, the picker's
// anchor and lifetime, the drop's target choice, its drag data and a view that goes away mid-drop.

#include "filedrop.h"
#include "shareitems.h"
#include "sharingpicker.h"
#include "testviews.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace tarnwick::addon;
using tarnwick::addon::testing::DropView;
using tarnwick::addon::testing::EventLog;
using tarnwick::addon::testing::HostRenderWidgetHostView;
using tarnwick::addon::testing::HostWebContentsView;
using tarnwick::addon::testing::PlainView;

namespace {

// ---- share items -----------------------------------------------------------------------------

TEST(AddonShareItems, MadeByPrefix)
{
    using Kind = ShareItem::Kind;
    struct Row {
        const char* input;
        bool kept;
        Kind kind;
        const char* display;
    };
    const Row rows[] = {
        {"", true, Kind::Text, ""},
        {"just words", true, Kind::Text, "just words"},
        {"HTTPS://EXAMPLE.COM", true, Kind::Text, "HTTPS://EXAMPLE.COM"},
        {"mailto:a@example.com", true, Kind::Text, "mailto:a@example.com"},
        {"https://example.com/a?b=c#d", true, Kind::WebUrl, "https://example.com/a?b=c#d"},
        {"http://example.com", true, Kind::WebUrl, "http://example.com"},
        {"http://", false, Kind::WebUrl, ""},
        {"https://exa mple.com/", false, Kind::WebUrl, ""},
        {"file:///tmp/a%20b.txt", true, Kind::FileUrl, "/tmp/a b.txt"},
        {"file://bad path", false, Kind::FileUrl, ""},
        {"/tmp/with space.txt", true, Kind::FileUrl, "/tmp/with space.txt"},
        {"/", true, Kind::FileUrl, "/"},
    };
    for (const Row& row : rows) {
        const auto items = makeShareItems({row.input});
        ASSERT_EQ(items.size(), row.kept ? 1u : 0u) << row.input;
        if (!row.kept)
            continue;
        EXPECT_EQ(items[0].kind, row.kind) << row.input;
        EXPECT_EQ(items[0].displayText().toStdString(), row.display) << row.input;
    }
    const auto items = makeShareItems({"a", "file://bad path", "/b", "https://c.example"});
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1].url, QUrl::fromLocalFile(QStringLiteral("/b")));
}

TEST(AddonSharingPicker, MailtoCarriesTextInTheBodyAndFilesAsAttachments)
{
    struct Row {
        std::vector<std::string> items;
        const char* uri;
    };
    const Row rows[] = {
        {{}, "mailto:"},
        {{"hello"}, "mailto:?body=hello"},
        {{"a & b", "https://example.com/?q=1&r=2"}, "mailto:?body=a%20%26%20b%0Ahttps%3A%2F%2Fexample.com%2F%3Fq%3D1%26r%3D2"},
        {{"/tmp/x y.pdf"}, "mailto:?attach=file%3A%2F%2F%2Ftmp%2Fx%2520y.pdf"},
        {{"/tmp/a", "note", "/tmp/b"}, "mailto:?body=note&attach=file%3A%2F%2F%2Ftmp%2Fa&attach=file%3A%2F%2F%2Ftmp%2Fb"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(SharingPicker::mailtoUri(makeShareItems(row.items)).toStdString(), row.uri);
}

// ---- the picker on a window --------------------------------------------------------------------

class AddonWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<PlainView>();
        window->setGeometry(100, 100, 400, 300);
        window->show();
        EventLog::take();
    }
    void TearDown() override
    {
        window.reset();
        EventLog::take();
    }
    std::unique_ptr<QWidget> window;
};

TEST_F(AddonWindowTest, PickerAnchorsAtThePointerOverTheViewElseNearTheTopRight)
{
    EXPECT_EQ(SharingPicker::anchor(window.get(), QPoint(150, 160)), QPoint(50, 60));
    EXPECT_EQ(SharingPicker::anchor(window.get(), QPoint(100, 100)), QPoint(0, 0));
    EXPECT_EQ(SharingPicker::anchor(window.get(), QPoint(99, 100)), QPoint(250, 10));
    EXPECT_EQ(SharingPicker::anchor(window.get(), QPoint(500, 400)), QPoint(250, 10));
}

TEST_F(AddonWindowTest, PickerCompletesOnceAndLetsItsDelegateGo)
{
    int completions = 0;
    SharingPicker::show(window.get(), makeShareItems({"hello"}), [&] { ++completions; });
    EXPECT_EQ(SharingPicker::liveCount(), 1);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    menu->hide();
    ASSERT_TRUE(QTest::qWaitFor([&] { return completions == 1 && SharingPicker::liveCount() == 0; }, 5000));

    // A view that goes away under an open menu still completes the picker.
    SharingPicker::show(window.get(), makeShareItems({"hello"}), [&] { ++completions; });
    window.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return completions == 2 && SharingPicker::liveCount() == 0; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(completions, 2);
}

// ---- file drop ---------------------------------------------------------------------------------

TEST(AddonFileDropData, UrlsAndPaths)
{
    const auto urls = FileDrop::fileUrls({"/tmp/a b.txt", "", "rel/c.txt", "/tmp/ü"});
    ASSERT_EQ(urls.size(), 3u);
    EXPECT_EQ(urls[0], QUrl::fromLocalFile(QStringLiteral("/tmp/a b.txt")));
    EXPECT_EQ(urls[1], QUrl::fromLocalFile(QDir::current().absoluteFilePath(QStringLiteral("rel/c.txt"))));
    const auto data = FileDrop::dragData(urls);
    EXPECT_EQ(data->urls(), QList<QUrl>(urls.begin(), urls.end()));
    EXPECT_EQ(data->text(), QStringLiteral("/tmp/a b.txt\n%1\n/tmp/ü").arg(QDir::current().absoluteFilePath(QStringLiteral("rel/c.txt"))));
    EXPECT_TRUE(data->hasFormat(QStringLiteral("text/uri-list")));
}

TEST_F(AddonWindowTest, CandidatesInTreeOrderAndTargetByClassName)
{
    auto* rwhv = new HostRenderWidgetHostView(true, window.get());
    auto* inner = new PlainView(window.get());
    auto* first = new DropView(true, inner);
    auto* wcv = new HostWebContentsView(true, inner);
    auto* disabledDrops = new DropView(true, inner);
    disabledDrops->setAcceptDrops(false);

    const auto found = FileDrop::candidates(window.get());
    EXPECT_EQ(found, (std::vector<QWidget*>{rwhv, first, wcv}));
    EXPECT_EQ(FileDrop::selectTarget(window.get(), found), wcv);
    EXPECT_EQ(FileDrop::selectTarget(window.get(), {rwhv, first}), rwhv);
    EXPECT_EQ(FileDrop::selectTarget(window.get(), {first, inner}), first);
    EXPECT_EQ(FileDrop::selectTarget(window.get(), {}), window.get());
}

TEST_F(AddonWindowTest, DropOntoAViewThatGoesAwayStopsQuietly)
{
    auto* target = new DropView(true, window.get());
    target->setObjectName(QStringLiteral("target"));
    FileDrop::start(window.get(), FileDrop::fileUrls({"/tmp/x.txt"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !EventLog::take().isEmpty(); }, 5000));
    window.reset();
    // Due after both later steps of the drop would have run.
    bool stepsDue = false;
    QTimer::singleShot(2 * FileDrop::kStepDelayMs + 1, [&] { stepsDue = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return stepsDue; }, 5000));
    EXPECT_TRUE(EventLog::take().isEmpty());
}

} // namespace
