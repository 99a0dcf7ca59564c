#pragma once

#include <QObject>

namespace tarnwick {

/// Turns the desktop's ways of asking a program to end into one signal: SIGTERM, SIGINT and SIGHUP
/// (delivered through a self-pipe, so the slot runs on the main thread and not in signal context)
/// and the session manager ending the session. One instance per process. A second signal ends the
/// process by that signal's default action, whatever the main thread is doing.
class TerminationRequests : public QObject {
    Q_OBJECT
public:
    explicit TerminationRequests(QObject* parent = nullptr);
    ~TerminationRequests() override;

Q_SIGNALS:
    void requested();
};

} // namespace tarnwick
