#include "windowhandle.h"

#include "x11window.h"

#include <tarnwick/native/uithread.h>

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <future>

namespace tarnwick::addon {

std::optional<std::uintptr_t> readWindowHandle(const Napi::Value& value)
{
    if (!value.IsBuffer())
        return std::nullopt;
    const auto buffer = value.As<Napi::Buffer<std::uint8_t>>();
    // Anything shorter cannot hold an address; reading past its end would be a fault.
    if (buffer.Length() < sizeof(std::uint64_t))
        return std::nullopt;
    std::uint64_t raw = 0;
    std::memcpy(&raw, buffer.Data(), sizeof raw);
    return static_cast<std::uintptr_t>(raw);
}

void runOnUiThreadAndWait(const std::function<void()>& task)
{
    if (native::isOnUiThread()) {
        task();
        return;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    native::runOnUiThread([&task, &done] {
        task();
        done.set_value();
    });
    finished.wait();
}

QPointer<QWidget> findWidget(std::uintptr_t address)
{
    if (address == 0 || !native::hasUiThread())
        return nullptr;
    QPointer<QWidget> found;
    runOnUiThreadAndWait([address, &found] {
        const auto widgets = QApplication::allWidgets();
        for (QWidget* widget : widgets) {
            if (reinterpret_cast<std::uintptr_t>(widget) == address && widget->window() != nullptr) {
                found = widget;
                break;
            }
        }
    });
    return found;
}

ResolvedWindow resolveWindow(std::uintptr_t handle)
{
    ResolvedWindow resolved;
    resolved.widget = findWidget(handle);
    if (resolved.widget)
        return resolved;
    const X11Lookup lookup = findX11Window(handle);
    char id[32];
    std::snprintf(id, sizeof id, "0x%llx", static_cast<unsigned long long>(handle));
    switch (lookup.result) {
    case X11Lookup::Result::Found:
        resolved.x11Window = static_cast<std::uint32_t>(handle);
        resolved.displayName = lookup.displayName;
        break;
    case X11Lookup::Result::NoSuchWindow:
        resolved.refusal = std::string("Window handle ") + id + " names neither a widget of this process nor a window on X11 display " + lookup.displayName;
        break;
    case X11Lookup::Result::NoDisplay:
        // Pure Wayland: no client may reach another client's surfaces, so only widgets of this
        // process can be named.
        resolved.refusal = std::string("Window handle ") + id + " names no widget of this process, and no X11 display is reachable"
            + (lookup.displayName.empty() ? " (DISPLAY is not set)" : " (" + lookup.displayName + " refused the connection)")
            + "; foreign windows need X11 or XWayland";
        break;
    }
    return resolved;
}

} // namespace tarnwick::addon
