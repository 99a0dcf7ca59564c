#pragma once

// Windows of ours embedded in another toolkit's window (the toolbar strip inside the host's
// Chromium window), presented to screen readers as windows of this application. Qt's
// accessibility bridge lists only top-level windows, and an embedded one is a child of a foreign
// window that has no accessible tree: without this the strip and its buttons would not be on the
// accessibility bus at all.

class QWidget;

namespace tarnwick::native {

/// Puts the presentation in place: call before the application's accessibility is first asked
/// for (before the QApplication is made), on the thread that will make it.
void presentEmbeddedWindowsToScreenReaders();

/// Lists `window` (a widget window embedded in a foreign one) among the application's windows
/// until it is destroyed. UI thread only.
void addEmbeddedWindow(QWidget* window);

} // namespace tarnwick::native
