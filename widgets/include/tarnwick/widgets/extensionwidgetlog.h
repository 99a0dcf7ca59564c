#pragma once

#include "tarnwick/widgets/widgetlog.h"

namespace tarnwick {

class ExtensionLogger;

/// The host's log: the widgets' extension file logger (WidgetsLogger).
class ExtensionWidgetLog final : public WidgetLog {
public:
    explicit ExtensionWidgetLog(ExtensionLogger& logger) : m_logger(logger) {}
    void info(std::string_view message) override;
    void warn(std::string_view message) override;
    void error(std::string_view message) override;
    std::string redactText(std::string_view text) const override;

private:
    ExtensionLogger& m_logger;
};

} // namespace tarnwick
