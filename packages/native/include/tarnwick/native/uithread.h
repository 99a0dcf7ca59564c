#pragma once

// The one user-interface thread of the process, for code that may be loaded into a host without one.
//
// When the process already has a QApplication (the host's own, or a test's), work goes to the thread
// that application lives on. When it has none (a plain Node.js host, a command-line test), the first
// call starts one thread that creates a QApplication (on Qt's offscreen platform when neither DISPLAY
// nor WAYLAND_DISPLAY is set, on X11 when DISPLAY is set, unless QT_QPA_PLATFORM chooses) and runs
// its event loop for the rest of the process's life; work goes there. That thread uses Qt's own poll
// dispatcher, never a GLib main context: the host's default context (a GLib or Chromium host's main
// loop) stays the host's alone.
//
// Threading: every function may be called from any thread. Tasks posted from one thread run in the
// order they were posted, never inside runOnUiThread() itself (not even when called on the UI
// thread). runOnUiThread() never waits, not even for the own thread to start.

#include <functional>

namespace tarnwick::native {

/// Queues `task` to the UI thread, starting that thread first when the process has none.
void runOnUiThread(std::function<void()> task);

/// True when a QApplication exists in the process, or the own UI thread has been started and is
/// creating one.
bool hasUiThread();

/// True when the calling thread is the UI thread.
bool isOnUiThread();

} // namespace tarnwick::native
