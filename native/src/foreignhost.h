#pragma once

// The toolbar inside a window of another toolkit: the host's X11 window (a Chromium window of the
// main application). The toolbar lives in its own window (a QMainWindow holding the manager's
// toolbar), embedded as a child strip along the top of the host window, spanning its width and
// following its resizes. Mouse navigation comes from XInput2 raw button events while the pointer
// is over the host window. The host learns the strip's height through the action
// ("toolbarHeight", "<X11 pixels>"), sent after attaching, whenever it changes, and as "0" when the
// strip goes away. UI thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <QMainWindow>
#include <QObject>
#include <QPointer>

#include "tarnwick/native/mousenavigationrecognizer.h"

#include <xcb/xcb.h>

class QSocketNotifier;
class QWindow;

namespace tarnwick::native {
class ToolbarManagerBase;
}

namespace tarnwick::nativelib {

/// The action that tells the host how much room the strip takes at the top of its window.
inline constexpr std::string_view kToolbarHeightAction = "toolbarHeight";

/// A connection of our own to the X server Qt's platform uses: requests and event selections on
/// it never disturb Qt's connection or the host's.
class X11Connection {
public:
    /// Nothing when no X11 display can be reached.
    static std::unique_ptr<X11Connection> open();
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_connection_t* get() const { return m_connection; }
    std::uint32_t root() const { return m_root; }
    /// The major opcode of XInput 2.2 or later, 0 when the server has none.
    std::uint8_t xinputOpcode() const { return m_xinputOpcode; }
    /// Whether `window` names an existing window on this server.
    bool windowExists(std::uint32_t window) const;

private:
    X11Connection() = default;
    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_root = 0;
    std::uint8_t m_xinputOpcode = 0;
};

class ForeignHost : public QObject {
    Q_OBJECT
public:
    /// Attaches `manager` to a new strip inside `hostWindow`. `onHostGone` runs (later, from the
    /// event loop) once the host window has been destroyed.
    ForeignHost(std::unique_ptr<X11Connection> connection, std::uint32_t hostWindow,
                native::ToolbarManagerBase& manager, std::function<void()> onHostGone);
    /// Detaches the manager from the strip and removes the strip.
    ~ForeignHost() override;

    std::uint32_t hostWindow() const { return m_host; }
    std::uint32_t stripWindow() const { return m_stripId; }
    QMainWindow* strip() const { return m_strip; }
    /// The strip's height in X11 pixels, as last reported to the host.
    int reportedHeight() const { return m_reportedHeight; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Place { Outside, Strip, Host };

    void drainEvents();
    void handleEvent(const xcb_generic_event_t* event);
    void onRawButton(std::uint32_t button, bool press);
    void layout();
    Place pointerPlace() const;
    std::uint32_t topLevelOf(std::uint32_t window) const;
    bool stripHasFocus() const;
    void focus(std::uint32_t window) const;

    std::unique_ptr<X11Connection> m_x;
    std::uint32_t m_host;
    native::ToolbarManagerBase& m_manager;
    std::function<void()> m_onHostGone;
    QWindow* m_foreign = nullptr;
    QPointer<QMainWindow> m_strip;
    std::uint32_t m_stripId = 0;
    QSocketNotifier* m_notifier = nullptr;
    native::MouseNavigationRecognizer m_recognizer;
    int m_hostWidth = 0;
    int m_hostHeight = 0;
    int m_reportedHeight = -1;
    bool m_hostGone = false;
};

} // namespace tarnwick::nativelib
