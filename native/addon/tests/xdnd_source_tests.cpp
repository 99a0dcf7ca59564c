// The XDND source against a small XDND target on a private Xvfb: what the target is sent, in which
// order, what the selection serves, and what the addon log says. The end-to-end check against a
// real Chromium window lives in ../test/drop_chromium.test.js.

#include "x11window.h"
#include "xdndsource.h"

#include <tarnwick/testing/subprocess.h>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <iterator>
#include <thread>

using namespace tarnwick::addon;

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    return reply->atom;
}

std::string atomName(xcb_connection_t* c, xcb_atom_t a)
{
    std::unique_ptr<xcb_get_atom_name_reply_t, decltype(&std::free)> reply(
        xcb_get_atom_name_reply(c, xcb_get_atom_name(c, a), nullptr), &std::free);
    return reply ? std::string(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get())) : "?";
}

// One XDND target window (version 5) with a thread that records what it is sent and answers as
// configured. It reads the selection on the first position, as Chromium does.
class Target {
public:
    Target(const std::string& display, bool accept, bool performs, bool aware = true)
        : c_(display), accept_(accept), performs_(performs)
    {
        xcb_connection_t* c = c_.get();
        parent_ = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, parent_, c_.root(), 0, 0, 400, 300, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        // The aware window is a child, so the source has to walk the tree to find it.
        window_ = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, parent_, 100, 50, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        const std::uint32_t version = 5;
        if (aware)
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, atom(c, "XdndAware"), XCB_ATOM_ATOM, 32, 1, &version);
        xcb_map_window(c, window_);
        xcb_map_window(c, parent_);
        xcb_flush(c);
        thread_ = std::thread([this] { run(); });
    }

    ~Target()
    {
        stop_ = true;
        thread_.join();
    }

    std::uint32_t parent() const { return parent_; }

    std::vector<std::string> events()
    {
        std::lock_guard lock(mutex_);
        return events_;
    }

    /// The events once the last one is `last` (a leave needs no reply, so the source may return
    /// before this thread has seen it), or as they are after a generous deadline.
    std::vector<std::string> eventsEndingWith(const std::string& last)
    {
        return eventsOnce([&](const auto& events) { return !events.empty() && events.back() == last; });
    }

    /// The events once `done` holds for them, or as they are after a generous deadline.
    template <typename Predicate>
    std::vector<std::string> eventsOnce(Predicate done)
    {
        std::unique_lock lock(mutex_);
        recorded_.wait_for(lock, std::chrono::seconds(20), [&] { return done(events_); });
        return events_;
    }

private:
    void record(std::string event)
    {
        std::lock_guard lock(mutex_);
        // Repeated positions of a hovering pointer count once.
        if (events_.empty() || events_.back() != event)
            events_.push_back(std::move(event));
        recorded_.notify_all();
    }

    void reply(std::uint32_t source, const char* type, std::uint32_t l1, std::uint32_t l2, std::uint32_t l4)
    {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = source;
        event.type = atom(c_.get(), type);
        event.data.data32[0] = window_;
        event.data.data32[1] = l1;
        event.data.data32[2] = l2;
        event.data.data32[4] = l4;
        xcb_send_event(c_.get(), 0, source, 0, reinterpret_cast<const char*>(&event));
        xcb_flush(c_.get());
    }

    void run()
    {
        xcb_connection_t* c = c_.get();
        const xcb_atom_t enter = atom(c, "XdndEnter"), position = atom(c, "XdndPosition"),
                         drop = atom(c, "XdndDrop"), leave = atom(c, "XdndLeave"), copy = atom(c, "XdndActionCopy"),
                         selection = atom(c, "XdndSelection"), property = atom(c, "TEST_DROP_DATA");
        bool dataRead = false;
        while (!stop_) {
            pollfd descriptor{xcb_get_file_descriptor(c), POLLIN, 0};
            ::poll(&descriptor, 1, 20);
            while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
                const int type = event->response_type & 0x7f;
                if (type == XCB_SELECTION_NOTIFY) {
                    auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event);
                    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> data(
                        xcb_get_property_reply(c, xcb_get_property(c, 1, window_, notify->property,
                                                                   XCB_GET_PROPERTY_TYPE_ANY, 0, 4096), nullptr),
                        &std::free);
                    record("data " + atomName(c, notify->target) + " "
                           + (data ? std::string(static_cast<const char*>(xcb_get_property_value(data.get())),
                                                 xcb_get_property_value_length(data.get()))
                                   : std::string("none")));
                } else if (type == XCB_CLIENT_MESSAGE) {
                    auto* m = reinterpret_cast<xcb_client_message_event_t*>(event);
                    const std::uint32_t source = m->data.data32[0];
                    if (m->type == enter) {
                        dataRead = false;
                        record("enter v" + std::to_string(m->data.data32[1] >> 24) + " "
                               + atomName(c, m->data.data32[2]) + " more=" + std::to_string(m->data.data32[1] & 1));
                    } else if (m->type == position) {
                        const std::uint32_t at = m->data.data32[2];
                        record("position " + std::to_string(at >> 16) + "," + std::to_string(at & 0xffff) + " "
                               + atomName(c, m->data.data32[4]));
                        if (!dataRead) {
                            dataRead = true;
                            xcb_convert_selection(c, window_, selection, atom(c, "text/uri-list"), property,
                                                  m->data.data32[3]);
                        }
                        reply(source, "XdndStatus", accept_ ? 1 : 0, 0, accept_ ? copy : 0);
                    } else if (m->type == drop) {
                        record("drop");
                        reply(source, "XdndFinished", performs_ ? 1 : 0, performs_ ? copy : 0, 0);
                    } else if (m->type == leave) {
                        record("leave");
                    }
                }
                std::free(event);
            }
        }
    }

    X11Connection c_;
    bool accept_;
    bool performs_;
    std::uint32_t parent_ = 0;
    std::uint32_t window_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable recorded_;
    std::vector<std::string> events_;
    std::thread thread_;
};

class XdndSourceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ::setenv("TARNWICK_ADDON_LOG_STDERR", "1", 1);
        server_ = new tarnwick::testing::Subprocess(
            tarnwick::testing::programOnPath("Xvfb"), {"-displayfd", "1", "-noreset", "-screen", "0", "800x600x24", "-nolisten", "tcp"});
        const auto number = server_->readLine(std::chrono::seconds(30));
        ASSERT_TRUE(number) << "Xvfb did not start";
        display_ = ":" + *number;
    }
    static void TearDownTestSuite()
    {
        delete server_;
        server_ = nullptr;
    }

    // Drops onto `target` and answers the addon's log lines of that drop.
    std::vector<std::string> dropOnto(const Target& target, const std::vector<std::string>& uris)
    {
        X11Connection source(display_);
        ::testing::internal::CaptureStderr();
        XdndSource::drop(source.get(), source.root(), target.parent(), uris);
        const std::string captured = ::testing::internal::GetCapturedStderr();
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = captured.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(captured.substr(start, end - start));
        return lines;
    }

    static inline tarnwick::testing::Subprocess* server_ = nullptr;
    static inline std::string display_;
};

} // namespace

TEST_F(XdndSourceTest, AcceptingTargetIsEnteredUpdatedDroppedAndServedTheFileUris)
{
    Target target(display_, true, true);
    const auto log = dropOnto(target, {"file:///tmp/a%20b.txt", "file:///tmp/c.txt"});
    // The aware child at (100,50) of a parent at the root's origin: its centre in root coordinates.
    EXPECT_EQ(target.events(), (std::vector<std::string>{
        "enter v5 text/uri-list more=0",
        "position 200,100 XdndActionCopy",
        "data text/uri-list file:///tmp/a%20b.txt\r\nfile:///tmp/c.txt\r\n",
        // The drag update, 50 ms later.
        "position 200,100 XdndActionCopy",
        "drop",
    }));
    char child[32];
    std::snprintf(child, sizeof child, "0x%x", target.parent() + 1);
    const std::string name = std::string("X11 window ") + child;
    EXPECT_EQ(log, (std::vector<std::string>{
        "D|NativeToolbar|Candidate drag view: " + name + " (bounds: 200x100+100+50)",
        "I|NativeToolbar|Selected drag view: " + name + " (bounds: 200x100+100+50)",
        "I|NativeToolbar|draggingEntered on " + name + ": op=1",
        "I|NativeToolbar|performDragOperation: YES",
    }));
}

TEST_F(XdndSourceTest, RefusedOrUnperformedDropsEndAsNo)
{
    struct Case {
        const char* name;
        bool accept;
        bool performs;
        std::vector<std::string> tail; // the target's last events
        const char* op;
    };
    const Case cases[] = {
        // A target that refuses is left, never dropped on.
        {"refuses", false, false, {"leave"}, "op=0"},
        {"accepts but does not perform", true, false, {"drop"}, "op=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Target target(display_, c.accept, c.performs);
        const auto log = dropOnto(target, {"file:///tmp/x"});
        const auto events = target.eventsEndingWith(c.tail.back());
        ASSERT_GE(events.size(), c.tail.size());
        EXPECT_EQ(std::vector<std::string>(events.end() - static_cast<long>(c.tail.size()), events.end()), c.tail);
        EXPECT_EQ(std::count(events.begin(), events.end(), "drop"), c.accept ? 1 : 0);
        ASSERT_EQ(log.size(), 4u);
        EXPECT_NE(log[2].find(c.op), std::string::npos) << log[2];
        EXPECT_EQ(log[3], "I|NativeToolbar|performDragOperation: NO");
    }
}

TEST_F(XdndSourceTest, WindowWithoutXdndIsSentNothing)
{
    Target target(display_, true, true, false);
    const auto log = dropOnto(target, {"file:///tmp/x"});
    EXPECT_TRUE(target.events().empty());
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].rfind("I|NativeToolbar|Selected drag view: X11 window ", 0), 0u) << log[0];
}

TEST_F(XdndSourceTest, QueuedDropsInQuickSuccessionEachArrive)
{
    Target target(display_, true, true);
    for (const char* uri : {"file:///tmp/one", "file:///tmp/two", "file:///tmp/three"})
        XdndSource::start(display_, target.parent(), {uri});
    const auto events = target.eventsOnce(
        [](const auto& recorded) { return std::count(recorded.begin(), recorded.end(), "drop") == 3; });
    std::vector<std::string> drops;
    std::copy_if(events.begin(), events.end(), std::back_inserter(drops),
                 [](const std::string& event) { return event.rfind("data ", 0) == 0; });
    EXPECT_EQ(drops, (std::vector<std::string>{"data text/uri-list file:///tmp/one\r\n",
                                               "data text/uri-list file:///tmp/two\r\n",
                                               "data text/uri-list file:///tmp/three\r\n"}));
}

TEST(XdndUriList, EveryUriEndsWithCarriageReturnLineFeed)
{
    EXPECT_EQ(XdndSource::uriList({}), "");
    EXPECT_EQ(XdndSource::uriList({"file:///a", "file:///b%20c"}), "file:///a\r\nfile:///b%20c\r\n");
}
