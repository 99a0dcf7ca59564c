// Real input for a KWin session: a pointer and a keyboard through KWin's org_kde_kwin_fake_input
// protocol, driven by lines on standard input. KWin offers the protocol only to a program whose
// desktop entry asks for it (X-KDE-Wayland-Interfaces), so this runs as a program of its own, as
// the session's user; the Plasma rig writes that entry.
//
//   move X Y          pointer to (X, Y) in the compositor's logical coordinates
//   button CODE 1|0   press / release a pointer button (evdev code: 0x110 left, 0x111 right)
//   key CODE 1|0      press / release a key (evdev code)
//
// Each command is answered with "ok" once KWin has handled it (a round trip), or "error: …".
// "ready" (or "error: …" and exit status 1) is the first line.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <wayland-client.h>

#include "fake-input-client-protocol.h"

namespace {

struct Globals {
    org_kde_kwin_fake_input* input = nullptr;
    uint32_t version = 0;
};

void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && !globals->input) {
        globals->version = std::min<uint32_t>(version, 4);
        globals->input = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, globals->version));
    }
}

void onGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

int fail(const std::string& why)
{
    std::cout << "error: " << why << std::endl;
    return 1;
}

} // namespace

int main()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return fail("cannot connect to the Wayland display");
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &globals);
    wl_display_roundtrip(display);
    if (!globals.input)
        return fail("the compositor does not offer org_kde_kwin_fake_input to this program");
    if (globals.version < 4)
        return fail("org_kde_kwin_fake_input is older than version 4 (no absolute motion or keys)");
    org_kde_kwin_fake_input_authenticate(globals.input, "Tarnwick tests", "drives the desktop under test");
    if (wl_display_roundtrip(display) < 0)
        return fail("the Wayland connection failed");
    std::cout << "ready" << std::endl;

    for (std::string line; std::getline(std::cin, line);) {
        std::istringstream in(line);
        std::string command;
        in >> command;
        if (command == "move") {
            int x = 0, y = 0;
            if (!(in >> x >> y)) {
                std::cout << "error: move X Y" << std::endl;
                continue;
            }
            org_kde_kwin_fake_input_pointer_motion_absolute(globals.input, wl_fixed_from_int(x), wl_fixed_from_int(y));
        } else if (command == "button" || command == "key") {
            uint32_t code = 0, state = 0;
            if (!(in >> std::ws >> code >> state) || state > 1) {
                std::cout << "error: " << command << " CODE 1|0" << std::endl;
                continue;
            }
            if (command == "button")
                org_kde_kwin_fake_input_button(globals.input, code, state);
            else
                org_kde_kwin_fake_input_keyboard_key(globals.input, code, state);
        } else {
            std::cout << "error: unknown command " << command << std::endl;
            continue;
        }
        if (wl_display_roundtrip(display) < 0)
            return fail("the Wayland connection failed");
        std::cout << "ok" << std::endl;
    }
    org_kde_kwin_fake_input_destroy(globals.input);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
