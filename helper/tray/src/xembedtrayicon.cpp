#include "tarnwick/helper/xembedtrayicon.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <xcb/xcb.h>

#include "tarnwick/rpc/helperlog.h"
#include "x11connection_p.h"

namespace tarnwick {

namespace {

constexpr std::string_view kCategory = "Tray";

// The system tray protocol's opcode and XEmbed's message and flag we use.
constexpr uint32_t kSystemTrayRequestDock = 0;
constexpr uint32_t kXEmbedEmbeddedNotify = 0;
constexpr uint32_t kXEmbedMapped = 1;

template <typename T>
using XcbReply = x11::Reply<T>;

// What the protocol needs from the X display, looked up once: the screen the tray must be on (the
// one DISPLAY names, like Qt's own), its root, and the atoms.
struct TrayDisplay {
    xcb_connection_t* connection = nullptr;
    xcb_screen_t* screen = nullptr;
    xcb_atom_t selection = XCB_NONE; // _NET_SYSTEM_TRAY_S<screen>
    xcb_atom_t opcode = XCB_NONE;
    xcb_atom_t manager = XCB_NONE;
    xcb_atom_t xembed = XCB_NONE;
    xcb_atom_t xembedInfo = XCB_NONE;
    xcb_atom_t trayVisual = XCB_NONE;

    explicit operator bool() const { return connection && screen && selection != XCB_NONE; }
};


const TrayDisplay& display()
{
    static const TrayDisplay shown = [] {
        TrayDisplay d;
        d.connection = x11::connection();
        if (!d.connection)
            return d;
        int screenNumber = 0;
        char* host = nullptr;
        int displayNumber = 0;
        if (xcb_parse_display(nullptr, &host, &displayNumber, &screenNumber) == 0)
            screenNumber = 0;
        std::free(host);
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(d.connection));
        for (int i = 0; it.rem && i < screenNumber; ++i)
            xcb_screen_next(&it);
        if (!it.rem)
            return d;
        d.screen = it.data;
        d.selection = x11::atom(d.connection, "_NET_SYSTEM_TRAY_S" + QByteArray::number(screenNumber));
        d.opcode = x11::atom(d.connection, "_NET_SYSTEM_TRAY_OPCODE");
        d.manager = x11::atom(d.connection, "MANAGER");
        d.xembed = x11::atom(d.connection, "_XEMBED");
        d.xembedInfo = x11::atom(d.connection, "_XEMBED_INFO");
        d.trayVisual = x11::atom(d.connection, "_NET_SYSTEM_TRAY_VISUAL");
        return d;
    }();
    return shown;
}

xcb_window_t trayManager(const TrayDisplay& d)
{
    XcbReply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(d.connection, xcb_get_selection_owner(d.connection, d.selection), nullptr),
        &std::free);
    return reply ? reply->owner : XCB_NONE;
}

// Whether the tray asks for icons in a visual with an alpha channel (_NET_SYSTEM_TRAY_VISUAL of
// depth 32). Without one, icons are opaque windows and draw the tray's background themselves.
bool trayVisualHasAlpha(const TrayDisplay& d, xcb_window_t manager)
{
    XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(d.connection,
                               xcb_get_property(d.connection, 0, manager, d.trayVisual, XCB_ATOM_VISUALID, 0, 1),
                               nullptr),
        &std::free);
    if (!reply || xcb_get_property_value_length(reply.get()) < 4)
        return false;
    const auto visual = *static_cast<const xcb_visualid_t*>(xcb_get_property_value(reply.get()));
    for (auto depths = xcb_screen_allowed_depths_iterator(d.screen); depths.rem; xcb_depth_next(&depths))
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem; xcb_visualtype_next(&visuals))
            if (visuals.data->visual_id == visual)
                return depths.data->depth == 32;
    return false;
}

void sendClientMessage(const TrayDisplay& d, xcb_window_t to, xcb_atom_t type, std::array<uint32_t, 5> data)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = to;
    event.type = type;
    std::copy(data.begin(), data.end(), event.data.data32);
    xcb_send_event(d.connection, 0, to, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
}

// The colour most of `pixels` have (by lightness, the median): the tray's own, even when a
// neighbouring icon's edge or a separator is among them.
QColor medianColour(QList<QRgb> pixels)
{
    if (pixels.isEmpty())
        return {};
    const auto middle = pixels.begin() + pixels.size() / 2;
    std::nth_element(pixels.begin(), middle, pixels.end(),
                     [](QRgb a, QRgb b) { return qGray(a) < qGray(b); });
    return QColor(*middle);
}

QColor meanColour(const QImage& background)
{
    QList<QRgb> pixels;
    for (int y = 0; y < background.height(); ++y)
        for (int x = 0; x < background.width(); ++x)
            pixels.append(background.pixel(x, y));
    return medianColour(pixels);
}

// What a translucent icon's tray shows around it: the median of a two-pixel frame around `where`
// (in screen coordinates) on the screen.
QColor colourAround(QScreen* screen, const QRect& where)
{
    if (!screen || where.isEmpty())
        return {};
    constexpr int kFrame = 2;
    const QRect ring = where.adjusted(-kFrame, -kFrame, kFrame, kFrame).intersected(screen->geometry());
    const QImage shot = screen->grabWindow(0, ring.x(), ring.y(), ring.width(), ring.height()).toImage();
    const QRect inner = where.translated(-ring.topLeft());
    QList<QRgb> pixels;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (!inner.contains(x, y))
                pixels.append(shot.pixel(x, y));
    return medianColour(pixels);
}

// The window the tray embeds. A plain override-redirect window: the window manager must never
// frame it before the tray takes it.
class IconWindow final : public QWidget {
public:
    IconWindow(bool translucent, std::function<void()> onPress, std::function<QRect()> placeOnScreen)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint)
        , m_onPress(std::move(onPress))
        , m_placeOnScreen(std::move(placeOnScreen))
    {
        setObjectName(QStringLiteral("xembedTrayIcon"));
        setAttribute(Qt::WA_AlwaysShowToolTips);
        setAttribute(Qt::WA_QuitOnClose, false);
        setAttribute(Qt::WA_TranslucentBackground, translucent);
        // Until the tray takes it and gives it a place and a size: off the screen, so a tray that
        // is slow (or refuses it) never shows a stray square in a corner.
        setGeometry(-32000, -32000, 22, 22);
    }

    void setPictureSource(XEmbedTrayIcon::PictureSource source)
    {
        m_source = std::move(source);
        update();
    }

    // The tray's background under the icon is fetched again (it was embedded, moved or resized).
    void forgetBackground()
    {
        m_background = QImage();
        m_trayColour = QColor();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        if (testAttribute(Qt::WA_TranslucentBackground)) {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.fillRect(rect(), Qt::transparent);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        } else {
            if (m_background.size() != size())
                m_background = tracedBackground();
            painter.drawImage(0, 0, m_background);
        }
        const qreal dpr = devicePixelRatioF();
        const int side = int(std::min(width(), height()) * dpr);
        if (!m_source || side <= 0)
            return;
        QImage picture = m_source(side, trayColour());
        if (picture.isNull())
            return;
        if (std::max(picture.width(), picture.height()) != side)
            picture = picture.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        picture.setDevicePixelRatio(dpr);
        const QSizeF shown = picture.deviceIndependentSize();
        painter.drawImage(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2), picture);
    }

    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        forgetBackground();
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        event->accept();
        if (m_onPress)
            m_onPress();
    }

private:
    // The tray's colour under the icon, for the glyph's ink: from the traced background of an
    // opaque icon; around a translucent one, which cannot read what is behind it; else the desktop
    // palette's window colour.
    QColor trayColour()
    {
        if (!m_trayColour.isValid())
            m_trayColour = m_background.isNull() ? colourAround(screen(), m_placeOnScreen()) : meanColour(m_background);
        return m_trayColour.isValid() ? m_trayColour : palette().color(QPalette::Window);
    }

    // An opaque icon must draw what the tray shows behind it. Its window's background is the
    // tray's (ParentRelative): cleared, the window shows it, and the pixels are read back before
    // the icon is drawn over them. The same way Qt's own tray icon does it.
    QImage tracedBackground()
    {
        const TrayDisplay& d = display();
        const auto window = xcb_window_t(winId());
        if (d && window) {
            xcb_clear_area(d.connection, 0, window, 0, 0, 0, 0);
            if (QScreen* screen = this->screen()) {
                QImage grabbed = screen->grabWindow(winId(), 0, 0, width(), height()).toImage();
                if (grabbed.size() == size() * devicePixelRatioF())
                    return grabbed;
            }
        }
        QImage plain(size(), QImage::Format_RGB32);
        plain.fill(palette().color(QPalette::Window));
        return plain;
    }

    std::function<void()> m_onPress;
    std::function<QRect()> m_placeOnScreen;
    XEmbedTrayIcon::PictureSource m_source;
    QImage m_background;
    QColor m_trayColour;
};

} // namespace

class XEmbedTrayIcon::Private final : public QAbstractNativeEventFilter {
public:
    explicit Private(XEmbedTrayIcon& q)
        : q(q)
    {
        if (display())
            QCoreApplication::instance()->installNativeEventFilter(this);
    }

    ~Private() override
    {
        if (display())
            QCoreApplication::instance()->removeNativeEventFilter(this);
        delete window.data();
    }

    // Hands a new icon window to the tray, if there is one.
    void dock()
    {
        const TrayDisplay& d = display();
        if (!d)
            return;
        manager = trayManager(d);
        if (manager == XCB_NONE) {
            noteMissing();
            return;
        }
        missingReported = false;
        // Told when the tray goes away.
        const uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(d.connection, manager, XCB_CW_EVENT_MASK, &events);

        const bool translucent = trayVisualHasAlpha(d, manager);
        auto* icon = new IconWindow(translucent, [this] { pressed(); }, [this] { return geometry(); });
        icon->setToolTip(toolTip);
        icon->setPictureSource(pictures);
        window = icon;
        const auto id = xcb_window_t(icon->winId());
        // The tray maps the icon when the info says so; some trays refuse windows without it.
        const uint32_t info[] = {0, kXEmbedMapped};
        xcb_change_property(d.connection, XCB_PROP_MODE_REPLACE, id, d.xembedInfo, d.xembedInfo, 32, 2, info);
        if (!translucent) {
            const uint32_t parentRelative = XCB_BACK_PIXMAP_PARENT_RELATIVE;
            xcb_change_window_attributes(d.connection, id, XCB_CW_BACK_PIXMAP, &parentRelative);
        }
        sendClientMessage(d, manager, d.opcode, {XCB_CURRENT_TIME, kSystemTrayRequestDock, id, 0, 0});
        icon->show();
        xcb_flush(d.connection);
    }

    void undock()
    {
        if (window) {
            window->hide();
            delete window.data(); // the tray drops icons whose window is destroyed
        }
        manager = XCB_NONE;
        setEmbedded(false);
    }

    void setEmbedded(bool embedded)
    {
        if (q.m_embedded == embedded)
            return;
        q.m_embedded = embedded;
        if (embedded) {
            HelperLog::info(kCategory, "Tray item embedded in the XEmbed system tray");
            if (window)
                window->forgetBackground();
            Q_EMIT q.embedded();
        }
    }

    void noteMissing()
    {
        if (missingReported)
            return;
        missingReported = true;
        HelperLog::info(kCategory, "No XEmbed system tray on the display: the item appears when one starts");
        Q_EMIT q.trayMissing();
    }

    void pressed()
    {
        const QRect where = q.geometry();
        if (where.isEmpty())
            return;
        Q_EMIT q.pressed(QPoint(where.center().x(), where.bottom() + 1));
    }

    QRect geometry() const
    {
        const TrayDisplay& d = display();
        if (!d || !window || !q.m_embedded)
            return {};
        const auto id = xcb_window_t(window->winId());
        XcbReply<xcb_translate_coordinates_reply_t> origin(
            xcb_translate_coordinates_reply(d.connection,
                                            xcb_translate_coordinates(d.connection, id, d.screen->root, 0, 0), nullptr),
            &std::free);
        XcbReply<xcb_get_geometry_reply_t> size(
            xcb_get_geometry_reply(d.connection, xcb_get_geometry(d.connection, id), nullptr), &std::free);
        if (!origin || !size)
            return {};
        // X reports device pixels; Qt's screen coordinates divide them by the scale.
        const qreal dpr = window->devicePixelRatioF();
        return QRect(QPoint(int(origin->dst_x / dpr), int(origin->dst_y / dpr)),
                     QSize(int(size->width / dpr), int(size->height / dpr)));
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const TrayDisplay& d = display();
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const xcb_window_t icon = window ? xcb_window_t(window->winId()) : XCB_NONE;
        switch (event->response_type & 0x7f) {
        case XCB_CLIENT_MESSAGE: {
            const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(event);
            if (m->type == d.manager && m->window == d.screen->root && m->data.data32[1] == d.selection) {
                // A tray (re)started: it takes every icon that asks.
                if (q.m_shown) {
                    undock();
                    dock();
                }
            } else if (m->type == d.xembed && icon != XCB_NONE && m->window == icon &&
                       m->data.data32[1] == kXEmbedEmbeddedNotify) {
                setEmbedded(true);
            }
            break;
        }
        case XCB_REPARENT_NOTIFY: {
            // Not every tray sends XEMBED_EMBEDDED_NOTIFY; every one reparents.
            const auto* r = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
            if (icon != XCB_NONE && r->window == icon && r->event == icon)
                setEmbedded(r->parent != d.screen->root);
            break;
        }
        case XCB_DESTROY_NOTIFY: {
            const auto* e = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
            if (manager != XCB_NONE && e->window == manager) {
                // The tray went away. Its save-set hands our window back to the root, mapped:
                // destroy it before it shows as a stray square.
                HelperLog::info(kCategory, "The XEmbed system tray went away");
                undock();
                if (q.m_shown)
                    noteMissing();
            }
            break;
        }
        default: break;
        }
        return false;
    }

    XEmbedTrayIcon& q;
    QPointer<IconWindow> window;
    xcb_window_t manager = XCB_NONE;
    XEmbedTrayIcon::PictureSource pictures;
    QString toolTip;
    bool missingReported = false;
};

XEmbedTrayIcon::XEmbedTrayIcon(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>(*this))
{
}

XEmbedTrayIcon::~XEmbedTrayIcon() = default;

bool XEmbedTrayIcon::isSupported()
{
    return bool(display());
}

bool XEmbedTrayIcon::isTrayPresent()
{
    const TrayDisplay& shown = display();
    return shown && trayManager(shown) != XCB_NONE;
}

bool XEmbedTrayIcon::canEmbedNow() const
{
    return isTrayPresent();
}

void XEmbedTrayIcon::show(PictureSource source, const QString& toolTip)
{
    d->pictures = std::move(source);
    d->toolTip = toolTip;
    if (d->window) {
        d->window->setPictureSource(d->pictures);
        d->window->setToolTip(toolTip);
    }
    if (m_shown)
        return;
    m_shown = true;
    d->missingReported = false;
    d->dock();
}

void XEmbedTrayIcon::hide()
{
    if (!m_shown)
        return;
    m_shown = false;
    d->undock();
}

QRect XEmbedTrayIcon::geometry() const
{
    return d->geometry();
}

} // namespace tarnwick
