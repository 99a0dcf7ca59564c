#pragma once

// Native window handles: a Buffer whose first eight bytes hold, in host byte order, either the
// address of the window's content QWidget (a Qt host) or an X11 window id (the main application's
// Chromium window, as getNativeWindowHandle() reports it on Linux).

#include <napi.h>

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tarnwick::addon {

/// The address held by `value`, or nothing when it is not a Buffer of at least eight bytes.
std::optional<std::uintptr_t> readWindowHandle(const Napi::Value& value);

/// The live widget at `address` that has a window, or null. The address is compared with the
/// widgets of the process and never dereferenced unless it names one, so a stale or made-up
/// handle is harmless. Blocks the calling thread until the UI thread has answered; returns null
/// at once when the process has no QApplication. The pointer may only be used on the UI thread.
QPointer<QWidget> findWidget(std::uintptr_t address);

/// What a handle names: a live widget of this process first, else an existing X11 window on the
/// display of the environment (X11 or XWayland), else nothing, with the reason.
struct ResolvedWindow {
    QPointer<QWidget> widget;
    std::uint32_t x11Window = 0; ///< non-zero when the handle is an X11 window id
    std::string displayName;     ///< the display that window lives on
    std::string refusal;         ///< why nothing was found, for the log

    bool found() const { return widget || x11Window != 0; }
};

/// Resolves `handle` in that order. Never dereferences it. Blocks for one UI-thread round trip
/// when the process has a QApplication, and for one X server round trip.
ResolvedWindow resolveWindow(std::uintptr_t handle);

/// Runs `task` on the UI thread and waits for it; runs it in place when called on that thread.
void runOnUiThreadAndWait(const std::function<void()>& task);

} // namespace tarnwick::addon
