#include "tarnwick/extensionkit/appintentslogger.h"

namespace tarnwick {

ExtensionLogger::Config AppIntentsLogger::config()
{
    return {"app-intents-extension.log", "AppIntents", "com.fenmoorlab.tarnwick.app-intents-logger", false};
}

AppIntentsLogger& AppIntentsLogger::shared()
{
    static AppIntentsLogger instance(config());
    return instance;
}

} // namespace tarnwick
