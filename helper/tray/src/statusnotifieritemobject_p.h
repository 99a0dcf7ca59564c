#pragma once

// The object exported at /StatusNotifierItem: the generated adaptor reads these properties and calls
// these slots by their bus names; each one only forwards to the host.

#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>

#include "tarnwick/helper/statusnotifiertypes.h"

namespace tarnwick {

class StatusNotifierItemHost;

class StatusNotifierItemObject : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ iconThemePath)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(tarnwick::SniImageList IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ emptyString)
    Q_PROPERTY(tarnwick::SniImageList OverlayIconPixmap READ overlayIconPixmap)
    Q_PROPERTY(QString AttentionIconName READ emptyString)
    Q_PROPERTY(tarnwick::SniImageList AttentionIconPixmap READ noPixmap)
    Q_PROPERTY(QString AttentionMovieName READ emptyString)
    Q_PROPERTY(tarnwick::SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(QString XAyatanaLabel READ label)
    Q_PROPERTY(QString XAyatanaLabelGuide READ labelGuide)

public:
    explicit StatusNotifierItemObject(StatusNotifierItemHost& host);

    QString category() const { return QStringLiteral("Communications"); }
    QString id() const { return QStringLiteral("com.fenmoorlab.tarnwick"); }
    QString title() const;
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString emptyString() const { return {}; }
    // The menu is always exported (some hosts drop an item without one); what it holds follows the host.
    QDBusObjectPath menu() const;
    bool itemIsMenu() const { return false; }
    SniImageList iconPixmap() const;
    SniImageList overlayIconPixmap() const;
    QString iconName() const;
    QString iconThemePath() const;
    QString label() const;
    QString labelGuide() const;
    SniImageList noPixmap() const { return {}; }
    SniToolTip toolTip() const;

public Q_SLOTS:
    void ContextMenu(int x, int y);
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void ProvideXdgActivationToken(const QString& token);
    void Scroll(int delta, const QString& orientation);

Q_SIGNALS:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);
    void XAyatanaNewLabel(const QString& label, const QString& guide);

private:
    StatusNotifierItemHost& m_host;
};

} // namespace tarnwick
