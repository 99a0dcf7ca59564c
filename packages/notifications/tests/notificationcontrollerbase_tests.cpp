// The controller base against the fake notification center: setup once, identity checks,
// authorization outcomes, categories, withdrawal, and responses turned into events.

#include <gtest/gtest.h>

#include <mutex>

#include "tarnwick/notifications/fakenotificationcenter.h"
#include "tarnwick/notifications/notificationcontrollerbase.h"
#include "tarnwick/platform/bundleidentity.h"
#include "tarnwick/rpc/helperlog.h"

using namespace tarnwick;

namespace {

class LogCapture {
public:
    LogCapture()
    {
        HelperLog::setSink([this](HelperLog::Level, std::string_view, std::string_view, std::string_view record) {
            std::lock_guard lock(m_mutex);
            m_records.emplace_back(record.substr(0, record.size() - 1));
        });
    }
    ~LogCapture() { HelperLog::setSink(nullptr); }
    std::vector<std::string> take()
    {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_records, {});
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_records;
};

const NotificationCategory kCategory{"test.kind", {{"test.ok", "OK"}}};

class TestController : public NotificationControllerBase {
public:
    using NotificationControllerBase::NotificationControllerBase;

    bool identity = true;
    std::vector<std::pair<bool, std::optional<std::string>>> resolved;
    std::vector<std::string> mapped;

    bool hasBundleIdentity() const override { return identity; }
    std::vector<NotificationCategory> categories() const override { return {kCategory}; }
    void authorizationResolved(bool granted, const std::optional<std::string>& error) override
    {
        resolved.emplace_back(granted, error);
    }
    std::optional<Event> notificationEvent(const std::string& action, const Object& userInfo) override
    {
        mapped.push_back(action);
        if (action == "test.ok")
            return Event{"test.done", userInfo};
        return std::nullopt;
    }
};

struct Transport {
    ManualMainQueue queue;
    std::vector<std::string> lines;
    std::shared_ptr<StdioTransport> transport = StdioTransport::create(
        queue, {-1, [this](std::string_view l) { lines.emplace_back(l.substr(0, l.size() - 1)); }, [] {}});
};

class ControllerBaseTest : public ::testing::Test {
protected:
    LogCapture log;
    FakeNotificationCenter center;
    ManualMainQueue mainQueue;
    Transport io;
    TestController controller{"Tarnwick", {&center, &mainQueue}};
};

} // namespace

TEST_F(ControllerBaseTest, SetupRunsOnceAndLaterCallsOnlyReplaceTheTransport)
{
    controller.prepare(io.transport);
    EXPECT_TRUE(controller.didSetup());
    EXPECT_EQ(controller.transport(), io.transport);
    EXPECT_EQ(center.delegate, &controller);
    EXPECT_EQ(controller.registeredCategories(), std::set<NotificationCategory>{kCategory});
    EXPECT_EQ(center.categories, std::set<NotificationCategory>{kCategory});
    EXPECT_EQ(center.authorizationRequestCount, 1);

    Transport other;
    controller.prepare(other.transport);
    EXPECT_TRUE(controller.prepareForDispatch(other.transport));
    EXPECT_EQ(controller.transport(), other.transport);
    EXPECT_EQ(center.authorizationRequestCount, 1) << "permission is asked once";
    EXPECT_EQ(center.setCategoriesCalls, 1);
    EXPECT_TRUE(log.take().empty());
}

TEST_F(ControllerBaseTest, WithoutIdentityTheServiceIsNeverTouched)
{
    controller.identity = false;
    controller.prepare(io.transport);
    EXPECT_FALSE(controller.didSetup());
    EXPECT_EQ(controller.transport(), nullptr) << "prepare does not keep the transport without an identity";
    EXPECT_FALSE(controller.prepareForDispatch(io.transport));
    EXPECT_EQ(controller.transport(), io.transport) << "prepareForDispatch keeps it regardless";

    controller.applyCategories({kCategory});
    EXPECT_EQ(controller.registeredCategories(), std::set<NotificationCategory>{kCategory});
    controller.withdraw({"x"});
    controller.clearAll();
    EXPECT_TRUE(controller.registeredCategories().empty());

    EXPECT_EQ(center.delegate, nullptr);
    EXPECT_EQ(center.setCategoriesCalls, 0);
    EXPECT_EQ(center.authorizationRequestCount, 0);
    EXPECT_TRUE(center.removals.empty());
    EXPECT_EQ(log.take(), (std::vector<std::string>{
                              "W|Notifications|No bundle identity \xE2\x80\x94 not registering (running outside Tarnwick.app)",
                              "W|Notifications|No bundle identity \xE2\x80\x94 skipping banner (running outside Tarnwick.app)"}));
}

TEST_F(ControllerBaseTest, DefaultIdentityComesFromTheBundleIdentity)
{
    NotificationControllerBase plain("Plain", {&center, &mainQueue});
    EXPECT_FALSE(plain.hasBundleIdentity()) << "a build-tree test binary";
    BundleIdentity::fakeCurrent(BundleIdentity{"/usr", "/usr/share/applications/com.fenmoorlab.tarnwick.desktop"});
    EXPECT_TRUE(plain.hasBundleIdentity());
    BundleIdentity::resetCurrent();
    plain.prepare(io.transport);
    EXPECT_EQ(log.take(), std::vector<std::string>{
                              "W|Notifications|No bundle identity \xE2\x80\x94 not registering (running outside Plain.app)"});
}

TEST_F(ControllerBaseTest, AuthorizationOutcomesAreLoggedAndResolvedOnTheMainQueue)
{
    struct Case {
        const char* name;
        bool granted;
        std::optional<std::string> error;
        std::vector<std::string> logged;
    };
    for (const Case& c : {Case{"granted", true, std::nullopt, {}},
                          Case{"refused", false, std::nullopt, {"W|Notifications|Permission denied"}},
                          Case{"error", false, "The name is not activatable",
                               {"E|Notifications|Auth error: The name is not activatable"}}}) {
        FakeNotificationCenter fresh;
        TestController subject("Tarnwick", {&fresh, &mainQueue});
        subject.prepare(io.transport);
        fresh.answerAuthorization(c.granted, c.error);
        EXPECT_EQ(log.take(), c.logged) << c.name;
        EXPECT_TRUE(subject.resolved.empty()) << c.name << ": not before the main queue runs it";
        mainQueue.runAll();
        ASSERT_EQ(subject.resolved.size(), 1u) << c.name;
        EXPECT_EQ(subject.resolved.front(), std::make_pair(c.granted, c.error)) << c.name;
    }

    // The answer arriving after the controller is gone reaches nobody.
    FakeNotificationCenter fresh;
    auto subject = std::make_unique<TestController>("Tarnwick", NotificationEnvironment{&fresh, &mainQueue});
    subject->prepare(io.transport);
    subject.reset();
    EXPECT_EQ(fresh.delegate, nullptr) << "a controller that goes away stops being the delegate";
    fresh.answerAuthorization(true);
    EXPECT_EQ(mainQueue.runAll(), 1);
}

TEST_F(ControllerBaseTest, ClearAllForgetsCategoriesAndRemovesEverything)
{
    controller.prepare(io.transport);
    controller.clearAll();
    EXPECT_TRUE(controller.registeredCategories().empty());
    EXPECT_TRUE(center.categories.empty());
    EXPECT_EQ(center.removals, (std::vector<std::string>{"delivered:*", "pending:*"}));

    controller.applyCategories({kCategory});
    EXPECT_EQ(center.categories, std::set<NotificationCategory>{kCategory});
    controller.withdraw({"a", "b"});
    EXPECT_EQ(center.removals, (std::vector<std::string>{"delivered:*", "pending:*", "delivered:a", "delivered:b",
                                                         "pending:a", "pending:b"}));
}

TEST_F(ControllerBaseTest, PostingFailureIsLogged)
{
    controller.prepare(io.transport);
    NotificationContent content;
    content.title = "t";
    controller.post("req.1", content);
    EXPECT_EQ(center.added.size(), 1u);
    EXPECT_EQ(center.added.front().identifier, "req.1");
    EXPECT_TRUE(log.take().empty());
    center.addError = "Out of space";
    controller.post("req.2", content);
    EXPECT_EQ(log.take(), std::vector<std::string>{"E|Notifications|Failed to dispatch: Out of space"});
}

TEST_F(ControllerBaseTest, ResponsesBecomeEventsOnTheMainQueue)
{
    controller.prepare(io.transport);
    struct Case {
        const char* name;
        Object userInfo;
        std::string action;
        std::vector<std::string> logged;
        std::vector<std::string> sent;
    };
    const std::vector<Case> cases = {
        {"messageId wins", {{"messageId", Value("m1")}, {"key", Value("k1")}}, "test.ok",
         {"I|Notifications|Response received: action=test.ok id=m1"},
         {R"({"method":"test.done","params":{"key":"k1","messageId":"m1"}})"}},
        {"key when messageId is no string", {{"messageId", Value(5)}, {"key", Value("k2")}}, "test.ok",
         {"I|Notifications|Response received: action=test.ok id=k2"},
         {R"({"method":"test.done","params":{"key":"k2","messageId":5}})"}},
        {"neither, dismissed: an everyday answer", {{"other", Value("x")}}, "dismiss",
         {"I|Notifications|Response received: action=dismiss id=",
          "I|Notifications|No event for action=dismiss id=; response dropped"},
         {}},
        {"an action nothing maps is worth a warning", {{"messageId", Value("m3")}}, "test.unknown",
         {"I|Notifications|Response received: action=test.unknown id=m3",
          "W|Notifications|No event for action=test.unknown id=m3; response dropped"},
         {}},
    };
    for (const auto& c : cases) {
        NotificationContent content;
        content.userInfo = c.userInfo;
        center.delivered["n"] = NotificationRequest{"n", content};
        EXPECT_TRUE(center.respond("n", c.action)) << c.name << ": completion is called at once";
        EXPECT_TRUE(controller.mapped.empty()) << c.name << ": the mapping waits for the main queue";
        mainQueue.runAll();
        EXPECT_EQ(controller.mapped, std::vector<std::string>{c.action}) << c.name;
        controller.mapped.clear();
        EXPECT_EQ(log.take(), c.logged) << c.name;
        EXPECT_EQ(std::exchange(io.lines, {}), c.sent) << c.name;
    }
}

TEST_F(ControllerBaseTest, WillPresentAnswersTheForegroundOptions)
{
    NotificationContent content;
    EXPECT_EQ(controller.willPresent(content), PresentationOption::Banner | PresentationOption::Sound);
}
