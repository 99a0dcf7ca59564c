// tarnwick-widgets as a program: its command line, exit statuses, PNGs and printed timelines.
#include <QDateTime>
#include <QImage>
#include <gtest/gtest.h>

#include "tarnwick/rpc/json.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"

using namespace tarnwick;
using tarnwick::testing::TempDir;

namespace {

const char* const kSnapshot = R"({"updatedAt": 1, "totalUnread": 4,
  "accounts": [{"id": "a", "name": "Work", "color": "#2563EB", "email": "w@example.com", "unreadCount": 4}],
  "messages": [{"id": "m", "threadId": "t", "accountId": "a", "sender": "Ann", "subject": "Hello",
                "snippet": "", "date": 1765000000000, "unread": false}]})";

struct Host {
    TempDir tmp;

    tarnwick::testing::RunResult run(std::vector<std::string> args)
    {
        tarnwick::testing::Subprocess::Options options;
        // Keep any group container the build may name inside the test's own directory.
        options.setEnv = {{"XDG_DATA_HOME", (tmp.path() / "data").string()}, {"QT_QPA_PLATFORM", "offscreen"}};
        return tarnwick::testing::run(tarnwick::testing::builtProgram("widgets/tarnwick-widgets"), args, options);
    }
};

} // namespace

TEST(WidgetHost, BadArgumentsExitTwoWithUsage)
{
    Host host;
    const std::vector<std::vector<std::string>> table = {
        {"draw"},
        {"--kind", "unread"},
        {"render", "--out", "x.png"},
        {"render", "--kind", "huge", "--out", "x.png"},
        {"render", "--kind", "unread"},
        {"render", "--kind", "unread", "--out"},
        {"render", "--kind", "unread", "--unread-only", "--out", "x.png"},
        {"render", "--kind", "recents", "--out", "x.png", "--scale", "0"},
        {"render", "--kind", "recents", "--out", "x.png", "--scale", "2x"},
        {"render", "--kind", "recents", "--out", "x.png", "--extra"},
        {"timeline"},
        {"timeline", "--kind", "quickactions", "--unread-only"},
        {"timeline", "--kind", "recents", "--snapshot", "f.json"},
        {"timeline", "--kind", "recents", "--out", "x.png"},
    };
    for (const auto& args : table) {
        const auto r = host.run(args);
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        EXPECT_EQ(r.status, 2) << joined;
        EXPECT_NE(r.err.find("usage: tarnwick-widgets"), std::string::npos) << joined;
        EXPECT_TRUE(r.out.empty()) << joined;
    }
    const auto help = host.run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: tarnwick-widgets", 0), 0u);
}

TEST(WidgetHost, RendersEveryKindAtItsFamilySize)
{
    Host host;
    const auto snapshot = host.tmp.write("snap.json", kSnapshot);
    struct Row {
        const char* kind;
        std::vector<std::string> extra;
        QSize pixels;
    } table[] = {
        {"unread", {}, QSize(340, 340)},
        {"quickactions", {}, QSize(728, 340)},
        {"recents", {"--unread-only"}, QSize(728, 340)},
        {"dashboard", {"--scale", "1"}, QSize(364, 382)},
        {"dashboard", {"--scale", "3"}, QSize(1092, 1146)},
    };
    for (const Row& row : table) {
        const auto out = host.tmp.path() / (std::string(row.kind) + ".png");
        std::vector<std::string> args = {"render", "--kind", row.kind, "--snapshot", snapshot.string(), "--out",
                                         out.string()};
        args.insert(args.end(), row.extra.begin(), row.extra.end());
        const auto r = host.run(args);
        ASSERT_EQ(r.status, 0) << row.kind << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << "nothing but the timeline goes to standard output";
        const QImage image(QString::fromStdString(out.string()));
        ASSERT_FALSE(image.isNull()) << row.kind;
        EXPECT_EQ(image.size(), row.pixels) << row.kind;
        EXPECT_TRUE(image.hasAlphaChannel());
    }
}

TEST(WidgetHost, MalformedOrMissingSnapshotStillRenders)
{
    Host host;
    const auto junk = host.tmp.write("junk.json", "{\"totalUnread\": 3.5");
    const auto fractional = host.tmp.write("frac.json", R"({"updatedAt":0,"totalUnread":3.5,"accounts":[],"messages":[]})");
    for (const std::string& snapshot :
         {junk.string(), fractional.string(), (host.tmp.path() / "absent.json").string(), host.tmp.path().string()}) {
        for (const char* kind : {"unread", "quickactions", "recents", "dashboard"}) {
            const auto out = host.tmp.path() / "out.png";
            const auto r = host.run({"render", "--kind", kind, "--snapshot", snapshot, "--out", out.string()});
            EXPECT_EQ(r.status, 0) << kind << " " << snapshot << ": " << r.err;
            EXPECT_FALSE(QImage(QString::fromStdString(out.string())).isNull());
        }
    }
    // And from the group container, which holds no snapshot here.
    const auto out = host.tmp.path() / "default.png";
    EXPECT_EQ(host.run({"render", "--kind", "dashboard", "--out", out.string()}).status, 0);
}

TEST(WidgetHost, UnwritableOutputExitsOne)
{
    Host host;
    const auto r = host.run({"render", "--kind", "unread", "--out", (host.tmp.path() / "no" / "dir.png").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos);
}

TEST(WidgetHost, TimelinePrintsOneEntryAndARefreshFifteenMinutesLater)
{
    Host host;
    for (const char* kind : {"unread", "recents"}) {
        const auto r = host.run({"timeline", "--kind", kind});
        ASSERT_EQ(r.status, 0) << r.err;
        const auto value = json::parse(r.out);
        ASSERT_TRUE(value && value->object()) << r.out;
        const Object& o = *value->object();
        EXPECT_EQ(*o.at("kind").string(), std::string("com.fenmoorlab.tarnwick.widget.") + kind);
        const Array& entries = *o.at("entries").array();
        ASSERT_EQ(entries.size(), 1u);
        const QDateTime date = QDateTime::fromString(QString::fromStdString(*entries[0].object()->at("date").string()),
                                                     Qt::ISODateWithMs);
        const QDateTime reload = QDateTime::fromString(QString::fromStdString(*o.at("reloadAfter").string()),
                                                       Qt::ISODateWithMs);
        ASSERT_TRUE(date.isValid() && reload.isValid());
        EXPECT_EQ(date.msecsTo(reload), 15 * 60 * 1000);
        const Object& cache = *entries[0].object()->at("cache").object();
        EXPECT_EQ(cache.at("totalUnread").integer(), 0) << "no snapshot in the group container: the empty one";
        EXPECT_TRUE(cache.at("accounts").array()->empty());
    }
}

TEST(WidgetHost, ShowsWhatTheMainApplicationWroteIntoTheDefaultGroupContainer)
{
    Host host;
    const std::string container = "data/group-containers/group.com.fenmoorlab.tarnwick";
    host.tmp.write(container + "/widget-cache.json", kSnapshot);
    const auto r = host.run({"timeline", "--kind", "unread"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto value = json::parse(r.out);
    ASSERT_TRUE(value && value->object()) << r.out;
    const Object& cache = *value->object()->at("entries").array()->at(0).object()->at("cache").object();
    EXPECT_EQ(cache.at("totalUnread").integer(), 4);
    ASSERT_EQ(cache.at("accounts").array()->size(), 1u);
    EXPECT_EQ(*cache.at("accounts").array()->at(0).object()->at("name").string(), "Work");

    const std::string log = tarnwick::testing::readFile(host.tmp / (container + "/logs/widgets-extension.log"));
    EXPECT_NE(log.find("Loaded widget cache: 1 account(s), 4 unread, 1 message(s)"), std::string::npos) << log;
}
