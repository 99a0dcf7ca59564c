// Review images: the four kinds for a realistic snapshot (and their empty states) at 2x, written
// under the build tree for people to look at. Nothing is compared pixel by pixel; the checks only
// make sure a widget was drawn: the image is 2x, the card is opaque, its rounded corners are not.
#include <QDir>
#include <gtest/gtest.h>

#include "tarnwick/widgets/views/widgetrenderer.h"
#include "viewtestsupport.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

WidgetCache realistic(const WidgetEnvironment& env)
{
    WidgetCache c;
    c.totalUnread = 23;
    c.accounts = {{"work", "Work", "#2563EB", "maya@fenmoor.example", 12},
                  {"personal", "Personal", "#C05A4E", "maya.r@example.com", 7},
                  {"studio", "Studio Lumen", "#16A34A", "hello@lumen.example", 3},
                  {"club", "Rowing Club", "#D97706", "sec@rowing.example", 1}};
    const auto msg = [&](const char* id, const char* account, const char* sender, const char* subject, double date,
                         std::optional<std::string> category, std::optional<bool> unread) {
        CachedMessage m{id, std::string("t-") + id, account, sender, subject, "", date, category, unread};
        return m;
    };
    c.messages = {
        msg("1", "work", "Priya Natarajan", "Q3 roadmap review — notes and next steps", at(env, 10, 14, 41), "primary", true),
        msg("2", "personal", "GitHub", "[tarnwick] Build #482 passed on main", at(env, 10, 13, 2), "updates", std::nullopt),
        msg("3", "studio", "Jonas Weber", "Re: Poster proofs for the autumn show", at(env, 10, 9, 5), "primary", false),
        msg("4", "club", "Rowing Club Forum", "Saturday outing: boat allocations", at(env, 9, 18, 30), "forums", true),
        msg("5", "gone", "Alex Chen", "Dinner on Friday?", at(env, 8, 20, 15), "social", true),
        msg("6", "work", "Travel Desk", "Your itinerary for Lisbon", at(env, 6, 8, 0), "promotions", false),
    };
    return c;
}

void review(const std::string& name, WidgetKind kind, const WidgetCache& cache)
{
    const auto widget = makeWidget(kind, cache, fixedEnvironment());
    const QImage image = renderWidget(*widget, 2.0);
    ASSERT_EQ(image.size(), widget->size() * 2) << name;
    EXPECT_EQ(image.devicePixelRatio(), 2.0);
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << name << ": the card's corner is rounded off";
    EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() - 3).alpha(), 255) << name;
    ASSERT_TRUE(QDir().mkpath(QStringLiteral(TARNWICK_REVIEW_DIR)));
    EXPECT_TRUE(image.save(QStringLiteral(TARNWICK_REVIEW_DIR "/") + QString::fromStdString(name) + ".png")) << name;
}

} // namespace

TEST(WidgetReviewImages, RealisticSnapshot)
{
    const WidgetCache cache = realistic(fixedEnvironment());
    review("widget-unread", WidgetKind::unread, cache);
    review("widget-quickactions", WidgetKind::quickActions, cache);
    review("widget-recents", WidgetKind::recents, cache);
    review("widget-dashboard", WidgetKind::dashboard, cache);
    WidgetCache two = cache;
    two.accounts.resize(2);
    review("widget-quickactions-two-accounts", WidgetKind::quickActions, two);
    review("widget-dashboard-two-accounts", WidgetKind::dashboard, two);
}

TEST(WidgetReviewImages, EmptyStates)
{
    WidgetCache caughtUp = realistic(fixedEnvironment());
    caughtUp.messages.clear();
    caughtUp.totalUnread = 0;
    review("widget-recents-caught-up", WidgetKind::recents, caughtUp);
    review("widget-dashboard-empty", WidgetKind::dashboard, WidgetCache::empty());
    review("widget-unread-empty", WidgetKind::unread, WidgetCache::empty());
}
