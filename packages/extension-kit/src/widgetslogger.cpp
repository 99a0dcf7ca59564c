#include "tarnwick/extensionkit/widgetslogger.h"

namespace tarnwick {

ExtensionLogger::Config WidgetsLogger::config()
{
    return {"widgets-extension.log", "Widgets", "com.fenmoorlab.tarnwick.widgets-logger", false};
}

WidgetsLogger& WidgetsLogger::shared()
{
    static WidgetsLogger instance(config());
    return instance;
}

} // namespace tarnwick
