#pragma once

// Native window handles: a Buffer whose first eight bytes hold, in host byte order, the address of
// the window's content QWidget.

#include <napi.h>

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

namespace tarnwick::addon {

/// The address held by `value`, or nothing when it is not a Buffer of at least eight bytes.
std::optional<std::uintptr_t> readWindowHandle(const Napi::Value& value);

/// The live widget at `address` that has a window, or null. The address is compared with the
/// widgets of the process and never dereferenced unless it names one, so a stale or made-up
/// handle is harmless. Blocks the calling thread until the UI thread has answered; returns null
/// at once when the process has no QApplication. The pointer may only be used on the UI thread.
QPointer<QWidget> findWidget(std::uintptr_t address);

/// Runs `task` on the UI thread and waits for it; runs it in place when called on that thread.
void runOnUiThreadAndWait(const std::function<void()>& task);

} // namespace tarnwick::addon
