#include "waylandvirtualpointer.h"

#include <cstring>
#include <linux/input-event-codes.h>
#include <wayland-client.h>

namespace tarnwick::testing {

namespace {

// The wlr-virtual-pointer-unstable-v1 interfaces, written out as wayland-scanner would: only the
// requests this pointer sends are used, but every request is listed so the opcodes stay right.
extern const wl_interface virtualPointerInterface;

const wl_interface* managerCreateTypes[] = {&wl_seat_interface, &virtualPointerInterface};
const wl_interface* managerCreateWithOutputTypes[] = {&wl_seat_interface, &wl_output_interface,
                                                      &virtualPointerInterface};
const wl_interface* noTypes[] = {nullptr, nullptr, nullptr, nullptr, nullptr};

const wl_message managerRequests[] = {
    {"create_virtual_pointer", "?on", managerCreateTypes},
    {"destroy", "", noTypes},
    {"create_virtual_pointer_with_output", "2?o?on", managerCreateWithOutputTypes},
};
const wl_interface managerInterface = {"zwlr_virtual_pointer_manager_v1", 2, 3, managerRequests, 0, nullptr};

const wl_message pointerRequests[] = {
    {"motion", "uff", noTypes},
    {"motion_absolute", "uuuuu", noTypes},
    {"button", "uuu", noTypes},
    {"axis", "uuf", noTypes},
    {"frame", "", noTypes},
    {"axis_source", "u", noTypes},
    {"axis_stop", "uu", noTypes},
    {"axis_discrete", "uufi", noTypes},
    {"destroy", "", noTypes},
};
const wl_interface virtualPointerInterface = {"zwlr_virtual_pointer_v1", 2, 9, pointerRequests, 0, nullptr};

enum PointerRequest : uint32_t { motionAbsolute = 1, button = 2, frame = 4, destroyPointer = 8 };
constexpr uint32_t kManagerDestroy = 1;

struct Globals {
    wl_proxy* registry;
    wl_proxy* seat = nullptr;
    wl_proxy* manager = nullptr;
};

void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !globals->seat)
        globals->seat = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, managerInterface.name) == 0 && !globals->manager)
        globals->manager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &managerInterface, 1));
}

void onGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

} // namespace

WaylandVirtualPointer::WaylandVirtualPointer(const std::string& socket)
{
    m_display = wl_display_connect(socket.c_str());
    if (!m_display) {
        m_failure = "cannot connect to Wayland display " + socket;
        return;
    }
    Globals globals{reinterpret_cast<wl_proxy*>(wl_display_get_registry(m_display))};
    m_registry = globals.registry;
    wl_registry_add_listener(reinterpret_cast<wl_registry*>(m_registry), &registryListener, &globals);
    wl_display_roundtrip(m_display);
    m_seat = globals.seat;
    m_manager = globals.manager;
    if (!m_seat || !m_manager) {
        m_failure = "the compositor offers no seat or no zwlr_virtual_pointer_manager_v1";
        return;
    }
    m_pointer = wl_proxy_marshal_flags(m_manager, 0, &virtualPointerInterface, 1, 0, m_seat, nullptr);
    if (!flush())
        m_pointer = nullptr;
}

WaylandVirtualPointer::~WaylandVirtualPointer()
{
    if (m_pointer)
        wl_proxy_marshal_flags(m_pointer, destroyPointer, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
    if (m_manager)
        wl_proxy_marshal_flags(m_manager, kManagerDestroy, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
    if (m_seat)
        wl_proxy_destroy(m_seat);
    if (m_registry)
        wl_proxy_destroy(m_registry);
    if (m_display) {
        wl_display_roundtrip(m_display);
        wl_display_disconnect(m_display);
    }
}

bool WaylandVirtualPointer::flush()
{
    // A round trip makes sure the compositor has handled everything sent so far.
    if (wl_display_roundtrip(m_display) < 0) {
        m_failure = "the Wayland connection failed";
        return false;
    }
    return true;
}

bool WaylandVirtualPointer::moveTo(int x, int y, int width, int height)
{
    if (!m_pointer)
        return false;
    wl_proxy_marshal_flags(m_pointer, motionAbsolute, nullptr, 1, 0, m_time++, uint32_t(x), uint32_t(y),
                           uint32_t(width), uint32_t(height));
    wl_proxy_marshal_flags(m_pointer, frame, nullptr, 1, 0);
    return flush();
}

bool WaylandVirtualPointer::click(int x, int y, int width, int height)
{
    if (!moveTo(x, y, width, height))
        return false;
    for (uint32_t state : {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
        wl_proxy_marshal_flags(m_pointer, button, nullptr, 1, 0, m_time++, uint32_t(BTN_LEFT), state);
        wl_proxy_marshal_flags(m_pointer, frame, nullptr, 1, 0);
        if (!flush())
            return false;
    }
    return true;
}

} // namespace tarnwick::testing
