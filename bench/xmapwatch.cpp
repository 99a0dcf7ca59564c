#include "xmapwatch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <thread>
#include <xcb/xcb.h>

namespace tarnwick::bench {

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The next event, waiting at most until `deadline`; null on timeout or a broken connection.
xcb_generic_event_t* nextEvent(xcb_connection_t* c, Clock::time_point deadline)
{
    for (;;) {
        if (xcb_generic_event_t* event = xcb_poll_for_event(c))
            return event;
        if (xcb_connection_has_error(c))
            return nullptr;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return nullptr;
        pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&p, 1, int(left));
    }
}

} // namespace

XMapWatch::XMapWatch(const std::string& display)
{
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return;
    }
    m_connection = c;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
}

XMapWatch::~XMapWatch()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

std::optional<XMapWatch::Shown> XMapWatch::awaitShown(Clock::time_point since, std::chrono::milliseconds timeout)
{
    if (!m_connection)
        return std::nullopt;
    const auto deadline = Clock::now() + timeout;
    xcb_window_t window = 0;
    Shown shown;
    while (!window) {
        xcb_generic_event_t* event = nextEvent(m_connection, deadline);
        if (!event)
            return std::nullopt;
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (map->event == m_root) {
                window = map->window;
                shown.mappedMs = msSince(since);
            }
        }
        std::free(event);
    }
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr);
    if (!geometry)
        return std::nullopt;
    shown.width = geometry->width;
    shown.height = geometry->height;
    std::free(geometry);
    // Inside the left margin, half way down: the window's own background once painted.
    const int16_t x = int16_t(std::min(6, shown.width - 1));
    const int16_t y = int16_t(shown.height / 2);
    while (Clock::now() < deadline) {
        xcb_get_image_reply_t* image = xcb_get_image_reply(
            m_connection, xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, x, y, 1, 1, ~0u), nullptr);
        if (image) {
            const uint32_t* pixel = reinterpret_cast<const uint32_t*>(xcb_get_image_data(image));
            const uint32_t rgb = xcb_get_image_data_length(image) >= 4 ? (*pixel & 0xffffff) : 0;
            std::free(image);
            if (rgb != 0 && rgb != 0xffffff) {
                shown.paintedMs = msSince(since);
                return shown;
            }
        }
        // A short pause between probes, so the watcher does not crowd the two cores it shares.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    std::fprintf(stderr, "a %dx%d window was mapped after %.1f ms but never showed paint at (%d, %d)\n", shown.width,
                 shown.height, shown.mappedMs, x, y);
    return std::nullopt;
}

bool XMapWatch::awaitHidden(std::chrono::milliseconds timeout)
{
    if (!m_connection)
        return false;
    const auto deadline = Clock::now() + timeout;
    while (xcb_generic_event_t* event = nextEvent(m_connection, deadline)) {
        const bool unmapped = (event->response_type & 0x7f) == XCB_UNMAP_NOTIFY;
        std::free(event);
        if (unmapped)
            return true;
    }
    return false;
}

} // namespace tarnwick::bench
