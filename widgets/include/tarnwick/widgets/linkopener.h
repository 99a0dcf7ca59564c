#pragma once

// Port: opening a widget's tarnwick:// link with the desktop's handler for the scheme.

#include <QString>

namespace tarnwick {

class WidgetLog;

class LinkOpener {
public:
    virtual ~LinkOpener() = default;
    /// Starts opening `link`; never blocks. Failures are the adapter's to report.
    virtual void open(const QString& link) = 0;
};

/// GIO: the default application for the link's scheme, launched asynchronously; a failure is logged
/// as a warning.
class GioLinkOpener final : public LinkOpener {
public:
    explicit GioLinkOpener(WidgetLog& log) : m_log(log) {}
    void open(const QString& link) override;

private:
    WidgetLog& m_log;
};

} // namespace tarnwick
