#pragma once

// Watches the application's input events before they reach one window and turns mouse side
// buttons, trackpad swipes and fast horizontal scrolls into back/forward navigation (the rules live
// in MouseNavigationRecognizer). Installed as an application event filter; it looks at events
// addressed to top-level windows (QWindow), which Qt delivers before the widgets inside them see
// anything, so swallowed events never reach the content. UI thread only.

#include <functional>

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "tarnwick/native/mousenavigationrecognizer.h"

class QEvent;

namespace tarnwick::native {

class MouseNavigationMonitor : public QObject {
    Q_OBJECT
public:
    using Navigate = MouseNavigationRecognizer::Navigate;

    explicit MouseNavigationMonitor(Navigate onNavigate, QObject* parent = nullptr);
    ~MouseNavigationMonitor() override;

    /// Replaces any earlier installation with one for `window` (its top-level widget is watched).
    void install(QWidget* window);
    /// Stops the wheel timer and the event filter.
    void remove();
    bool isInstalled() const { return m_installed; }

    NavigationSources sources() const { return m_recognizer.sources; }
    void setSources(NavigationSources sources) { m_recognizer.sources = sources; }
    void setShouldIgnore(std::function<bool(const NavigationInput&)> predicate)
    {
        m_recognizer.shouldIgnore = std::move(predicate);
    }

    /// The record the recogniser sees for a Qt event, or Kind::Other for events it ignores. Public for
    /// tests of the translation.
    static NavigationInput translate(const QEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MouseNavigationRecognizer m_recognizer;
    QPointer<QWidget> m_window;
    bool m_installed = false;
};

} // namespace tarnwick::native
