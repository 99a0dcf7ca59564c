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

/// Returns once the own UI thread has created its application and run every task queued so far (at
/// most a few seconds), at once when there is no own thread. For a host thread that is ending, so
/// that an exit of the process following it does not pull Qt's statics from under work in progress.
void settleUiThread();

/// Holds the own UI thread inside a task for the rest of the process, after settleUiThread(): for a
/// host whose process is about to exit, before any exit handler runs. Also done by an exit handler
/// of this library; once parked, nothing queued runs any more. No effect without an own thread.
void parkUiThread();

/// True when a QApplication exists in the process, or the own UI thread has been started and is
/// creating one.
bool hasUiThread();

/// True when the calling thread is the UI thread.
bool isOnUiThread();

} // namespace tarnwick::native
