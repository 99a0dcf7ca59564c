// tarnwick-helper posting thousands of banners to a notification server that never closes any
// (several keep persistent notifications until the user acts): the helper remembers a bounded
// number and withdraws the oldest, keeps a bounded queue of what waits for the server, shows one
// picture file per category, and clears what it remembers. How far it scales (200 000 banners, memory, time) is bench/notification_flood_bench.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tarnwick/testing/privatebus.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"
#include "testnotificationserver.h"

namespace fs = std::filesystem;
namespace tt = tarnwick::testing;

TEST(BannerFloodProcess, ThousandsOfUnclosedBannersKeepOnePicturePerCategoryAndABoundedMemory)
{
    tt::PrivateBus bus;
    ASSERT_FALSE(bus.address().empty()) << bus.failure();
    tt::TestNotificationServer server;
    ASSERT_TRUE(server.start(QString::fromStdString(bus.address())));
    tt::TempDir dir;
    fs::create_directories(dir / "prefix" / "bin");
    fs::copy_file(tt::builtProgram("helper/tarnwick-helper"), dir / "prefix" / "bin" / "tarnwick-helper");
    dir.write("prefix/share/applications/com.fenmoorlab.tarnwick.desktop",
              "[Desktop Entry]\nType=Application\nName=Tarnwick\nExec=tarnwick\n");
    fs::create_directories(dir / "runtime");
    fs::permissions(dir / "runtime", fs::perms::owner_all);
    tt::Subprocess helper((dir / "prefix" / "bin" / "tarnwick-helper").string(), {},
                          bus.options({{{"QT_QPA_PLATFORM", "offscreen"},
                                        {"XDG_RUNTIME_DIR", (dir / "runtime").string()},
                                        {"TMPDIR", (dir / "tmp").string()}},
                                       {"DISPLAY", "WAYLAND_DISPLAY"},
                                       {}}));

    constexpr int kBatches = 20;
    constexpr int kPerBatch = 100;
    const char* categories[] = {"primary", "social", "promotions", "updates", "forums"};
    std::string requests = R"({"id":1,"method":"notify.setup"})" "\n";
    for (int batch = 0; batch < kBatches; ++batch) {
        requests += R"({"id":)" + std::to_string(batch + 2) + R"(,"method":"notify.dispatch","params":{"accountId":"a","messages":[)";
        for (int i = 0; i < kPerBatch; ++i) {
            const int n = batch * kPerBatch + i;
            requests += std::string(i ? "," : "") + R"({"id":"m)" + std::to_string(n) + R"(","category":")" +
                        categories[n % 5] + R"(","subject":"Message )" + std::to_string(n) + "\"}";
        }
        requests += "]}}\n";
    }
    helper.write(requests);
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return l == R"({"id":21,"result":"ok"})"; }))
        << helper.stderrText();
    // Requests came faster than the server answers: of those still waiting, the helper keeps the
    // latest hundred (it would withdraw an older one as soon as it was shown). The newest all come.
    constexpr int kBanners = kBatches * kPerBatch;
    const auto shown = [&](int n) {
        const QString body = QStringLiteral("Message %1").arg(n);
        return std::any_of(server.notifyCalls().begin(), server.notifyCalls().end(),
                           [&](const auto& call) { return call.body == body; });
    };
    ASSERT_TRUE(tt::TestNotificationServer::waitUntil([&] { return shown(kBanners - 1); }, std::chrono::seconds(60)))
        << server.notifyCalls().size() << " banners; " << helper.stderrText();
    for (int n = kBanners - 100; n < kBanners; ++n)
        EXPECT_TRUE(shown(n)) << n;
    EXPECT_LE(server.notifyCalls().size(), std::size_t(kBanners));
    // The helper withdraws the oldest beyond the hundred it remembers: the server is left with those.
    ASSERT_TRUE(tt::TestNotificationServer::waitUntil([&] { return server.open().size() == 100; }))
        << server.open().size() << " still open";
    EXPECT_EQ(helper.stderrText().find("E|"), std::string::npos) << helper.stderrText();

    std::set<std::string> pictures;
    for (const auto& call : server.notifyCalls())
        pictures.insert(call.hints.value(QStringLiteral("image-path")).toString().toStdString());
    EXPECT_EQ(pictures.size(), 5u) << "one picture per category, every banner of it showing the same";
    // Others keep files in the runtime directory too (dconf): count what lies in the helper's own.
    const auto pictureFiles = [&] {
        std::size_t files = 0;
        for (const auto& entry : fs::recursive_directory_iterator(dir / "runtime"))
            files += entry.is_regular_file() && entry.path().parent_path().filename().string().starts_with("tarnwick-pictures-");
        return files;
    };
    EXPECT_EQ(pictureFiles(), 5u);
    EXPECT_FALSE(fs::exists(dir / "tmp")) << "nothing in the shared temporary directory";

    helper.write(R"({"id":22,"method":"notify.clearAll"})" "\n");
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return l == R"({"id":22,"result":"ok"})"; }));
    ASSERT_TRUE(tt::TestNotificationServer::waitUntil([&] { return server.open().empty(); }));
    EXPECT_EQ(server.closeCalls().size(), server.notifyCalls().size())
        << "each banner shown closed once: withdrawn as the oldest, or cleared";

    helper.closeStdin();
    EXPECT_EQ(helper.wait(), 0);
    EXPECT_EQ(pictureFiles(), 0u) << "the pictures go when the helper does";
    for (const auto& entry : fs::directory_iterator(dir / "runtime"))
        EXPECT_FALSE(entry.path().filename().string().starts_with("tarnwick-pictures-")) << entry.path();
}
