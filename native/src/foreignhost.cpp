#include "foreignhost.h"

#include "tarnwick/native/embeddedwindows.h"

#include <cstdlib>

#include <xcb/xinput.h>

#include <QMouseEvent>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>

#include "tarnwick/native/actionbridge.h"
#include "tarnwick/native/qtwheeltimer.h"
#include "tarnwick/native/toolbarmanagerbase.h"
#include "x11navigationinput.h"

namespace tarnwick::nativelib {
namespace {

using native::NavigationInput;

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> own(T* reply)
{
    return Reply<T>(reply, &std::free);
}

} // namespace

std::unique_ptr<X11Connection> X11Connection::open()
{
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (!connection || xcb_connection_has_error(connection)) {
        if (connection)
            xcb_disconnect(connection);
        return nullptr;
    }
    std::unique_ptr<X11Connection> result(new X11Connection);
    result->m_connection = connection;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    result->m_root = screens.data ? screens.data->root : 0;

    const xcb_query_extension_reply_t* xinput = xcb_get_extension_data(connection, &xcb_input_id);
    if (xinput && xinput->present) {
        // Raw events need the client to announce XInput 2 before it selects them.
        auto version = own(xcb_input_xi_query_version_reply(connection, xcb_input_xi_query_version(connection, 2, 2), nullptr));
        if (version && (version->major_version > 2 || (version->major_version == 2 && version->minor_version >= 2)))
            result->m_xinputOpcode = xinput->major_opcode;
    }
    return result;
}

X11Connection::~X11Connection()
{
    xcb_disconnect(m_connection);
}

bool X11Connection::windowExists(std::uint32_t window) const
{
    if (window == 0)
        return false;
    xcb_generic_error_t* error = nullptr;
    auto reply = own(xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, window), &error));
    std::free(error);
    return reply != nullptr;
}

ForeignHost::ForeignHost(std::unique_ptr<X11Connection> connection, std::uint32_t hostWindow,
                         native::ToolbarManagerBase& manager, std::function<void()> onHostGone)
    : m_x(std::move(connection)), m_host(hostWindow), m_manager(manager), m_onHostGone(std::move(onHostGone)),
      m_recognizer([this](native::NavigationDirection d, native::NavigationSource s) { m_manager.handleMouseNavigation(d, s); },
                   &std::chrono::steady_clock::now, native::makeQtWheelTimer())
{
    xcb_connection_t* c = m_x->get();
    m_recognizer.sources = m_manager.mouseNavigationSources();
    m_recognizer.shouldIgnore = [this](const NavigationInput& event) { return m_manager.shouldIgnoreMouseNavigation(event); };

    // Resizes and the end of the host window, seen on our connection only.
    const std::uint32_t structure = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, m_host, XCB_CW_EVENT_MASK, &structure);
    if (m_x->xinputOpcode() != 0) {
        // Raw events reach every client that selects them on the root window, whoever holds the
        // pointer: the host keeps its own button presses.
        struct {
            xcb_input_event_mask_t head;
            std::uint32_t mask;
        } raw {{XCB_INPUT_DEVICE_ALL_MASTER, 1},
               XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE};
        xcb_input_xi_select_events(c, m_x->root(), 1, &raw.head);
    }
    if (auto geometry = own(xcb_get_geometry_reply(c, xcb_get_geometry(c, m_host), nullptr))) {
        m_hostWidth = geometry->width;
        m_hostHeight = geometry->height;
    }
    xcb_flush(c);

    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(c), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ForeignHost::drainEvents);

    m_strip = new QMainWindow(nullptr, Qt::FramelessWindowHint);
    m_strip->setObjectName(QStringLiteral("toolbarStrip"));
    // What a screen reader announces for the strip, a window of its own on the accessibility bus.
    m_strip->setWindowTitle(QStringLiteral("Tarnwick Toolbar"));
    // Qt shows tooltips only in the active window, and the strip never is one: the keyboard stays
    // with the host's top-level window around it.
    m_strip->setAttribute(Qt::WA_AlwaysShowToolTips);
    auto* content = new QWidget;
    content->setFixedHeight(0);
    m_strip->setCentralWidget(content);
    m_stripId = static_cast<std::uint32_t>(m_strip->winId());
    m_foreign = QWindow::fromWinId(m_host);
    m_strip->windowHandle()->setParent(m_foreign);
    native::addEmbeddedWindow(m_strip);
    m_strip->windowHandle()->installEventFilter(this);
    m_manager.attach(m_strip);
    layout();
    m_strip->show();
    // Events that arrived while the strip was being built.
    drainEvents();
}

ForeignHost::~ForeignHost()
{
    m_recognizer.stopTimer();
    if (m_manager.window() == m_strip)
        m_manager.detach();
    delete m_strip.data();
    delete m_foreign;
    if (!m_hostGone) {
        const std::uint32_t none = XCB_EVENT_MASK_NO_EVENT;
        xcb_change_window_attributes(m_x->get(), m_host, XCB_CW_EVENT_MASK, &none);
        xcb_flush(m_x->get());
    }
    native::ActionBridge::emit(kToolbarHeightAction, "0");
}

void ForeignHost::layout()
{
    if (!m_strip || m_hostWidth <= 0)
        return;
    const qreal ratio = m_strip->devicePixelRatioF();
    const int height = m_strip->sizeHint().height();
    m_strip->setGeometry(0, 0, qRound(m_hostWidth / ratio), height);
    const int pixels = qRound(height * ratio);
    if (pixels != m_reportedHeight) {
        m_reportedHeight = pixels;
        native::ActionBridge::emit(kToolbarHeightAction, std::to_string(pixels));
    }
}

void ForeignHost::drainEvents()
{
    xcb_connection_t* c = m_x->get();
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
        handleEvent(event);
        std::free(event);
    }
    if (xcb_connection_has_error(c) && m_notifier)
        m_notifier->setEnabled(false);
}

void ForeignHost::handleEvent(const xcb_generic_event_t* event)
{
    switch (event->response_type & 0x7f) {
    case XCB_CONFIGURE_NOTIFY: {
        const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        if (configure->window != m_host)
            return;
        m_hostWidth = configure->width;
        m_hostHeight = configure->height;
        layout();
        return;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto* destroyed = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
        if (destroyed->window != m_host || m_hostGone)
            return;
        m_hostGone = true;
        // The owner deletes this object; not from inside its own event handling.
        if (m_onHostGone)
            QTimer::singleShot(0, this, m_onHostGone);
        return;
    }
    case XCB_GE_GENERIC: {
        const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
        if (m_x->xinputOpcode() == 0 || generic->extension != m_x->xinputOpcode())
            return;
        if (generic->event_type != XCB_INPUT_RAW_BUTTON_PRESS && generic->event_type != XCB_INPUT_RAW_BUTTON_RELEASE)
            return;
        const auto* raw = reinterpret_cast<const xcb_input_raw_button_press_event_t*>(event);
        onRawButton(raw->detail, generic->event_type == XCB_INPUT_RAW_BUTTON_PRESS);
        return;
    }
    default:
        return;
    }
}

void ForeignHost::onRawButton(std::uint32_t button, bool press)
{
    if (m_hostGone)
        return;
    const Place place = pointerPlace();
    // A click into the host's own content takes the keyboard back from the search field.
    if (press && button <= 3 && place == Place::Host && stripHasFocus())
        focus(m_host);
    // Over the strip, Qt delivers the buttons to the toolbar's own monitor.
    if (place != Place::Host)
        return;
    if (auto input = navigationInputFromRawButton(button, press))
        m_recognizer.filter(*input, true);
}

std::uint32_t ForeignHost::topLevelOf(std::uint32_t window) const
{
    xcb_connection_t* c = m_x->get();
    std::uint32_t current = window;
    for (int depth = 0; depth < 64; ++depth) {
        auto tree = own(xcb_query_tree_reply(c, xcb_query_tree(c, current), nullptr));
        if (!tree)
            return 0;
        if (tree->parent == tree->root || tree->parent == 0)
            return current;
        current = tree->parent;
    }
    return 0;
}

ForeignHost::Place ForeignHost::pointerPlace() const
{
    xcb_connection_t* c = m_x->get();
    // The top-level window under the pointer must be the host's (or the frame a window manager put
    // around it): a window stacked above the host hides it there.
    auto atRoot = own(xcb_query_pointer_reply(c, xcb_query_pointer(c, m_x->root()), nullptr));
    if (!atRoot || atRoot->child == 0 || atRoot->child != topLevelOf(m_host))
        return Place::Outside;
    auto overHost = own(xcb_query_pointer_reply(c, xcb_query_pointer(c, m_host), nullptr));
    if (!overHost || !overHost->same_screen)
        return Place::Outside;
    if (overHost->win_x < 0 || overHost->win_y < 0 || overHost->win_x >= m_hostWidth || overHost->win_y >= m_hostHeight)
        return Place::Outside;
    return overHost->child == m_stripId && m_stripId != 0 ? Place::Strip : Place::Host;
}

bool ForeignHost::stripHasFocus() const
{
    xcb_connection_t* c = m_x->get();
    auto reply = own(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return reply && reply->focus == m_stripId;
}

void ForeignHost::focus(std::uint32_t window) const
{
    xcb_set_input_focus(m_x->get(), XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    xcb_flush(m_x->get());
}

bool ForeignHost::eventFilter(QObject* watched, QEvent* event)
{
    // Qt never gives an embedded window the keyboard (it asks the container, over XEmbed, which a
    // Chromium window does not speak): a click on a control that takes focus by clicking, the
    // search field, takes it for the strip.
    if (event->type() == QEvent::MouseButtonPress && m_strip && watched == m_strip->windowHandle()) {
        const auto* press = static_cast<const QMouseEvent*>(event);
        QWidget* target = m_strip->childAt(press->position().toPoint());
        if (target && (target->focusPolicy() & Qt::ClickFocus) && !stripHasFocus())
            focus(m_stripId);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tarnwick::nativelib
