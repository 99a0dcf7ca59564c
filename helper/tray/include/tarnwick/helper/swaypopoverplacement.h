#pragma once

// Placing the popover next to the tray item on sway. A Wayland client cannot place its own
// toplevel, and waybar's tray sends Activate the click's coordinates inside the item, not on the
// screen, so only the compositor knows where the item is: it knows the pointer. The popover asks
// sway (over its IPC socket, $SWAYSOCK) to centre the window on the pointer, reads back where the
// window went and moves it to where TrayPopover::placement puts it. Main thread only.

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace tarnwick {

namespace swayipc {

enum MessageType : uint32_t { runCommand = 0, getTree = 4 };

/// One request as sway reads it: "i3-ipc", the payload's length and the type (native byte order),
/// then the payload.
QByteArray encode(MessageType type, const QByteArray& payload);
/// The payload of the first whole reply in `buffer`, or nothing while it is incomplete (or is not a
/// reply at all).
std::optional<QByteArray> decodePayload(const QByteArray& buffer);

/// A request and its reply over the socket at `path`; nothing when sway is not there or does not
/// answer within `timeout`.
std::optional<QByteArray> call(const std::string& path, MessageType type, const QByteArray& payload,
                               std::chrono::milliseconds timeout = std::chrono::milliseconds(500));

/// A window in sway's tree, with the output it is on and that output's usable area (the workspace:
/// the output less the bars' exclusive zones).
struct Window {
    qint64 id = 0;
    QRect rect;
    QRect output;
    QRect usable;
};
/// The window of process `pid` titled `title` in a get_tree reply.
std::optional<Window> findWindow(const QJsonObject& tree, qint64 pid, const QString& title);

/// Where the pointer is, judged from a window sway centred on it and then kept inside `output`: on
/// an axis it was not pushed along, the window's centre; on one it was, the edge it was pushed
/// against (the pointer is within half the window of it, and the popover belongs flush to that edge).
QPoint pointerFromCentred(QRect centred, QRect output);

} // namespace swayipc

class SwayPopoverPlacement : public QObject {
    Q_OBJECT
public:
    /// The sway IPC socket when the helper draws through sway's own Wayland connection; empty
    /// elsewhere (X11, XWayland, offscreen, other compositors), where the window places itself.
    static std::string socketPath();

    SwayPopoverPlacement(std::string socketPath, QWidget& window);

    /// Waits for sway to map the window, then moves it beside the pointer; gives up quietly after
    /// a couple of seconds (the window stays where sway put it).
    void start();

Q_SIGNALS:
    /// The final top-left corner, once sway has moved the window there.
    void placed(QPoint topLeft);

private:
    void step();

    std::string m_socket;
    QPointer<QWidget> m_window;
    QTimer m_retry;
    int m_attempts = 0;
};

} // namespace tarnwick
