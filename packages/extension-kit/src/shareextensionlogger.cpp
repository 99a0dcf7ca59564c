#include "tarnwick/extensionkit/shareextensionlogger.h"

namespace tarnwick {

ExtensionLogger::Config ShareExtensionLogger::config()
{
    return {"share-extension.log", "ShareExtension", "com.fenmoorlab.tarnwick.share-logger", true};
}

ShareExtensionLogger& ShareExtensionLogger::shared()
{
    static ShareExtensionLogger instance(config());
    return instance;
}

} // namespace tarnwick
