#include "xdndsource.h"

#include "addonlog.h"
#include "x11window.h"

#include <xcb/xcb.h>

#include <poll.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace tarnwick::addon {

namespace {

using Clock = std::chrono::steady_clock;

// How long a target may take to answer a position (it reads the data first) or a drop.
constexpr auto kStatusTimeout = std::chrono::seconds(3);
constexpr auto kFinishedTimeout = std::chrono::seconds(10);
// A target may answer a position with the verdict of its previous one: Chromium asks its page
// asynchronously and refuses until the page has answered. A pointer resting over the window keeps
// moving a little in a real drag, so positions repeat while the target refuses, for this long.
constexpr auto kHoverLimit = std::chrono::milliseconds(1500);
constexpr auto kHoverInterval = std::chrono::milliseconds(20);

struct Atoms {
    xcb_atom_t aware, proxy, enter, position, status, leave, drop, finished, selection, actionCopy,
        actionMove, actionLink, typeList, uriList, targets, timestamp;
};

xcb_atom_t intern(xcb_connection_t* c, const char* name)
{
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

Atoms internAtoms(xcb_connection_t* c)
{
    return Atoms{intern(c, "XdndAware"), intern(c, "XdndProxy"), intern(c, "XdndEnter"),
                 intern(c, "XdndPosition"), intern(c, "XdndStatus"), intern(c, "XdndLeave"),
                 intern(c, "XdndDrop"), intern(c, "XdndFinished"), intern(c, "XdndSelection"),
                 intern(c, "XdndActionCopy"), intern(c, "XdndActionMove"), intern(c, "XdndActionLink"),
                 intern(c, "XdndTypeList"), intern(c, "text/uri-list"), intern(c, "TARGETS"),
                 intern(c, "TIMESTAMP")};
}

// The first 32-bit value of a window property, when it has one.
std::optional<std::uint32_t> cardinalProperty(xcb_connection_t* c, std::uint32_t window, xcb_atom_t property)
{
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1), nullptr),
        &std::free);
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
        return std::nullopt;
    std::uint32_t value = 0;
    std::memcpy(&value, xcb_get_property_value(reply.get()), sizeof value);
    return value;
}

std::vector<std::uint32_t> children(xcb_connection_t* c, std::uint32_t window)
{
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> reply(
        xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr), &std::free);
    if (!reply)
        return {};
    const xcb_window_t* list = xcb_query_tree_children(reply.get());
    return {list, list + xcb_query_tree_children_length(reply.get())};
}

// XDND-aware windows of the tree, depth first, a window before its children (in stacking order).
void collect(xcb_connection_t* c, const Atoms& atoms, std::uint32_t window, std::vector<std::uint32_t>& found,
             int depth = 0)
{
    if (const auto version = cardinalProperty(c, window, atoms.aware); version && *version >= 3)
        found.push_back(window);
    if (depth >= 32)
        return;
    for (std::uint32_t child : children(c, window))
        collect(c, atoms, child, found, depth + 1);
}

std::string describe(xcb_connection_t* c, std::uint32_t window)
{
    const auto geometry = windowGeometry(c, window);
    return windowName(c, window) + " (bounds: " + (geometry ? geometryText(*geometry) : "gone") + ")";
}

struct DropFailure {
    std::string what;
};

// One drop in progress: the source window that owns XdndSelection and the target's replies.
class Session {
public:
    Session(xcb_connection_t* c, std::uint32_t root, std::string data)
        : c_(c), root_(root), atoms_(internAtoms(c)), data_(std::move(data))
    {
        source_ = xcb_generate_id(c_);
        const std::uint32_t values[] = {1, XCB_EVENT_MASK_PROPERTY_CHANGE};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, source_, root_, -10, -10, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
        const xcb_atom_t types[] = {atoms_.uriList};
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, source_, atoms_.typeList, XCB_ATOM_ATOM, 32, 1, types);
        time_ = serverTime();
        xcb_set_selection_owner(c_, source_, atoms_.selection, time_);
        xcb_flush(c_);
    }

    ~Session()
    {
        xcb_destroy_window(c_, source_);
        xcb_flush(c_);
    }

    const Atoms& atoms() const { return atoms_; }

    // The window messages go to (its XdndProxy when it names one) and the version both speak.
    struct Peer {
        std::uint32_t window;
        std::uint32_t deliverTo;
        std::uint32_t version;
    };
    std::optional<Peer> peer(std::uint32_t window)
    {
        const auto version = cardinalProperty(c_, window, atoms_.aware);
        if (!version || *version < 3)
            return std::nullopt;
        std::uint32_t deliverTo = window;
        if (const auto proxy = cardinalProperty(c_, window, atoms_.proxy))
            deliverTo = *proxy;
        return Peer{window, deliverTo, std::min(*version, XdndSource::kVersion)};
    }

    void enter(const Peer& peer)
    {
        send(peer, atoms_.enter, {source_, peer.version << 24, atoms_.uriList, 0, 0});
    }

    // Positions at `point` (root coordinates) until the target accepts or the hover limit has
    // passed; answers the operation of its last status (0 when it refuses or never answers).
    unsigned long position(const Peer& peer, std::pair<int, int> point)
    {
        const auto hoverEnd = Clock::now() + kHoverLimit;
        for (;;) {
            const unsigned long operation = positionOnce(peer, point);
            if (operation != 0 || Clock::now() >= hoverEnd || !status_)
                return operation;
            pause(std::chrono::duration_cast<std::chrono::milliseconds>(kHoverInterval));
        }
    }

    void leave(const Peer& peer) { send(peer, atoms_.leave, {source_, 0, 0, 0, 0}); }

    // The drop; true when the target reports it performed it.
    bool drop(const Peer& peer)
    {
        finished_.reset();
        send(peer, atoms_.drop, {source_, 0, time_, 0, 0});
        waitUntil(Clock::now() + kFinishedTimeout,
                  [this, &peer] { return finished_ && finished_->target == peer.window; });
        if (!finished_)
            return false;
        // Before version 5 XdndFinished carries no outcome.
        return peer.version < 5 || finished_->accepted;
    }

    // Serves the selection and collects replies for `delay`.
    void pause(std::chrono::milliseconds delay)
    {
        waitUntil(Clock::now() + delay, [] { return false; });
    }

private:
    struct Reply {
        std::uint32_t target;
        bool accepted;
        xcb_atom_t action;
    };

    unsigned long positionOnce(const Peer& peer, std::pair<int, int> point)
    {
        status_.reset();
        const std::uint32_t packed = (static_cast<std::uint32_t>(point.first) << 16)
            | (static_cast<std::uint32_t>(point.second) & 0xffff);
        send(peer, atoms_.position, {source_, 0, packed, time_, atoms_.actionCopy});
        waitUntil(Clock::now() + kStatusTimeout, [this, &peer] { return status_ && status_->target == peer.window; });
        if (!status_ || !status_->accepted)
            return 0;
        // Logged as a drag operation mask: copy 1, link 2, move 16.
        if (status_->action == atoms_.actionLink)
            return 2;
        if (status_->action == atoms_.actionMove)
            return 16;
        return 1;
    }

    void send(const Peer& peer, xcb_atom_t type, std::initializer_list<std::uint32_t> data)
    {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = peer.window;
        event.type = type;
        std::copy(data.begin(), data.end(), event.data.data32);
        xcb_void_cookie_t cookie = xcb_send_event_checked(c_, 0, peer.deliverTo, XCB_EVENT_MASK_NO_EVENT,
                                                          reinterpret_cast<const char*>(&event));
        if (xcb_generic_error_t* error = xcb_request_check(c_, cookie)) {
            std::free(error);
            throw DropFailure{windowName(c_, peer.window) + " is gone"};
        }
    }

    // The server's current time, the stamp of a property change on the source window: owning a
    // selection and asking for it with real times keeps stale requests out.
    std::uint32_t serverTime()
    {
        xcb_change_property(c_, XCB_PROP_MODE_APPEND, source_, atoms_.timestamp, XCB_ATOM_INTEGER, 32, 0, nullptr);
        xcb_flush(c_);
        std::uint32_t time = XCB_CURRENT_TIME;
        waitUntil(Clock::now() + kStatusTimeout, [&time] { return time != XCB_CURRENT_TIME; }, &time);
        return time;
    }

    void waitUntil(Clock::time_point deadline, const std::function<bool()>& done, std::uint32_t* propertyTime = nullptr)
    {
        xcb_flush(c_);
        for (;;) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
                handle(event, propertyTime);
                std::free(event);
            }
            if (xcb_connection_has_error(c_))
                throw DropFailure{"the X11 connection broke"};
            if (done())
                return;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return;
            pollfd descriptor{xcb_get_file_descriptor(c_), POLLIN, 0};
            ::poll(&descriptor, 1, static_cast<int>(left));
        }
    }

    void handle(xcb_generic_event_t* event, std::uint32_t* propertyTime)
    {
        switch (event->response_type & 0x7f) {
        case XCB_PROPERTY_NOTIFY: {
            auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
            if (propertyTime && notify->window == source_ && notify->atom == atoms_.timestamp)
                *propertyTime = notify->time;
            break;
        }
        case XCB_SELECTION_REQUEST:
            serve(*reinterpret_cast<xcb_selection_request_event_t*>(event));
            break;
        case XCB_CLIENT_MESSAGE: {
            auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            if (message->type == atoms_.status)
                status_ = Reply{message->data.data32[0], (message->data.data32[1] & 1) != 0, message->data.data32[4]};
            else if (message->type == atoms_.finished)
                finished_ = Reply{message->data.data32[0], (message->data.data32[1] & 1) != 0, message->data.data32[2]};
            break;
        }
        default:
            break;
        }
    }

    // Answers a request for the dragged data: the URI list, or the list of targets offered. Only
    // file types are offered, so a target never takes the files for plain text.
    void serve(const xcb_selection_request_event_t& request)
    {
        xcb_atom_t property = request.property == XCB_ATOM_NONE ? request.target : request.property;
        if (request.selection != atoms_.selection || request.owner != source_) {
            property = XCB_ATOM_NONE;
        } else if (request.target == atoms_.uriList) {
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, request.requestor, property, atoms_.uriList, 8,
                                static_cast<std::uint32_t>(data_.size()), data_.data());
        } else if (request.target == atoms_.targets) {
            const xcb_atom_t offered[] = {atoms_.targets, atoms_.uriList};
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM, 32, 2, offered);
        } else {
            property = XCB_ATOM_NONE;
        }
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request.time;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        notify.property = property;
        xcb_send_event(c_, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notify));
        xcb_flush(c_);
    }

    xcb_connection_t* c_;
    std::uint32_t root_;
    Atoms atoms_;
    std::string data_;
    std::uint32_t source_ = 0;
    std::uint32_t time_ = XCB_CURRENT_TIME;
    std::optional<Reply> status_;
    std::optional<Reply> finished_;
};

} // namespace

std::string XdndSource::uriList(const std::vector<std::string>& uris)
{
    std::string list;
    for (const std::string& uri : uris)
        list += uri + "\r\n";
    return list;
}

void XdndSource::drop(xcb_connection_t* c, std::uint32_t root, std::uint32_t window, const std::vector<std::string>& uris)
{
    try {
        Session session(c, root, uriList(uris));
        std::vector<std::uint32_t> found;
        collect(c, session.atoms(), window, found);
        for (std::uint32_t candidate : found)
            AddonLog::debug("Candidate drag view: " + describe(c, candidate));
        // X11 windows carry no class names of views, so the web-content markers cannot apply: the
        // first aware window is the one (a Chromium window is aware at its top level).
        std::uint32_t target = found.empty() ? window : found.front();
        AddonLog::info("Selected drag view: " + describe(c, target));

        const auto centreOf = [c, root](std::uint32_t w) -> std::pair<int, int> {
            const auto geometry = windowGeometry(c, w);
            if (!geometry)
                throw DropFailure{windowName(c, w) + " is gone"};
            const auto point = toRoot(c, root, w, geometry->width / 2, geometry->height / 2);
            if (!point)
                throw DropFailure{windowName(c, w) + " is gone"};
            return *point;
        };

        auto peer = session.peer(target);
        unsigned long operation = 0;
        if (peer) {
            session.enter(*peer);
            operation = session.position(*peer, centreOf(target));
            AddonLog::info("draggingEntered on " + windowName(c, target) + ": op=" + std::to_string(operation));
        }
        if (operation == 0) {
            if (peer)
                session.leave(*peer);
            for (std::uint32_t candidate : found) {
                if (candidate == target)
                    continue;
                auto other = session.peer(candidate);
                if (!other)
                    continue;
                session.enter(*other);
                const unsigned long answer = session.position(*other, centreOf(candidate));
                AddonLog::info("draggingEntered on alternative " + windowName(c, candidate)
                               + ": op=" + std::to_string(answer));
                if (answer != 0) {
                    target = candidate;
                    peer = other;
                    operation = answer;
                    break;
                }
                session.leave(*other);
            }
            // Nobody took it: the drag goes on over the first target, which still hears the rest.
            if (operation == 0 && peer)
                session.enter(*peer);
        }
        if (!peer)
            return; // not XDND-aware: it takes no drag at all

        session.pause(std::chrono::milliseconds(kStepDelayMs));
        const bool accepts = session.position(*peer, centreOf(target)) != 0;
        session.pause(std::chrono::milliseconds(kStepDelayMs));
        // XDND drops only on a target whose last status accepted; a refused drag leaves.
        bool performed = false;
        if (accepts)
            performed = session.drop(*peer);
        else
            session.leave(*peer);
        AddonLog::info(std::string("performDragOperation: ") + (performed ? "YES" : "NO"));
    } catch (const DropFailure& failure) {
        AddonLog::error("Drop failed: " + failure.what);
    }
}

namespace {

struct Job {
    std::string displayName;
    std::uint32_t window;
    std::vector<std::string> uris;
};

struct Queue {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<Job> jobs;
    bool running = false;
};

Queue& queue()
{
    // Never destroyed: the thread runs until the process ends.
    static auto* instance = new Queue;
    return *instance;
}

void runJobs()
{
    Queue& q = queue();
    for (;;) {
        Job job;
        {
            std::unique_lock lock(q.mutex);
            q.ready.wait(lock, [&q] { return !q.jobs.empty(); });
            job = std::move(q.jobs.front());
            q.jobs.pop_front();
        }
        X11Connection connection(job.displayName);
        if (!connection.isOpen()) {
            AddonLog::error("Drop failed: cannot connect to X11 display " + job.displayName);
            continue;
        }
        XdndSource::drop(connection.get(), connection.root(), job.window, job.uris);
    }
}

} // namespace

void XdndSource::start(std::string displayName, std::uint32_t window, std::vector<std::string> uris)
{
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    q.jobs.push_back(Job{std::move(displayName), window, std::move(uris)});
    if (!q.running) {
        q.running = true;
        // Lives as long as the process (the module is never unloaded); it only waits when idle.
        std::thread(runJobs).detach();
    }
    q.ready.notify_one();
}

} // namespace tarnwick::addon
