#include "widgetbridge.h"

#include "tarnwick/native/uithread.h"
#include "tarnwick/native/widgetreloader.h"
#include "tarnwick/platform/systempaths.h"

namespace tarnwick::nativelib {

std::optional<std::string> WidgetBridge::appGroupIdentifier()
{
    auto id = SystemPaths::current().appGroupIdentifier();
    if (!id || id->empty())
        return std::nullopt;
    return id;
}

std::optional<std::string> WidgetBridge::groupContainerPath(std::string_view groupId)
{
    if (groupId.empty())
        return std::nullopt;
    const auto container = SystemPaths::current().groupContainer(groupId);
    if (!container)
        return std::nullopt;
    return container->string();
}

void WidgetBridge::reloadAll()
{
    native::runOnUiThread([] { native::WidgetReloader::reloadAllTimelines(); });
}

} // namespace tarnwick::nativelib
