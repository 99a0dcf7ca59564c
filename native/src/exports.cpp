// The twelve C entry points. Each copies its string arguments before returning; toolbar work is
// queued to the UI thread and applied there in call order.
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include <QApplication>
#include <QMainWindow>
#include <QPointer>
#include <QWidget>

#include "keychainbridge.h"
#include "tarnwick/extensionkit/secretservicekeystore.h"
#include "tarnwick/native/actionbridge.h"
#include "tarnwick/native/uithread.h"
#include "toolbarmanager.h"
#include "widgetbridge.h"

#define TARNWICK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using tarnwick::native::runOnUiThread;
using tarnwick::nativelib::ToolbarManager;

std::string copy(const char* text)
{
    return text ? std::string(text) : std::string();
}

char* handOver(const std::optional<std::string>& value)
{
    return value ? ::strdup(value->c_str()) : nullptr;
}

template <typename F>
void onManager(F&& work)
{
    runOnUiThread([work = std::forward<F>(work)]() mutable { work(ToolbarManager::shared()); });
}

} // namespace

TARNWICK_EXPORT void toolbar_set_callback(void (*cb)(const char* action, const char* payload))
{
    tarnwick::native::ActionBridge::setCallback(cb);
}

TARNWICK_EXPORT void toolbar_attach(void* view)
{
    if (!view)
        return;
    // Widgets belong to the UI thread, so the window is looked up there, in order with the other
    // toolbar work. The address comes from outside: it is used only once it is known to be a live
    // widget of this process.
    onManager([view](ToolbarManager& manager) {
        const QWidgetList widgets = QApplication::allWidgets();
        QWidget* widget = nullptr;
        for (QWidget* candidate : widgets) {
            if (static_cast<void*>(candidate) == view) {
                widget = candidate;
                break;
            }
        }
        if (!widget)
            return;
        auto* window = qobject_cast<QMainWindow*>(widget->window());
        if (!window)
            return;
        manager.attach(window);
    });
}

TARNWICK_EXPORT void toolbar_detach(void)
{
    onManager([](ToolbarManager& manager) { manager.detach(); });
}

TARNWICK_EXPORT void toolbar_update_accounts(const char* json)
{
    if (!json)
        return;
    onManager([text = copy(json)](ToolbarManager& manager) { manager.updateAccounts(text); });
}

TARNWICK_EXPORT void toolbar_update_labels(const char* json)
{
    if (!json)
        return;
    onManager([text = copy(json)](ToolbarManager& manager) { manager.updateLabels(text); });
}

TARNWICK_EXPORT void toolbar_run_customization(void)
{
    onManager([](ToolbarManager& manager) { manager.runCustomization(); });
}

// Declared with bool in the header; read as a byte here because only its lowest bit counts.
TARNWICK_EXPORT void toolbar_set_item_enabled(const char* itemId, unsigned char enabled)
{
    if (!itemId)
        return;
    const bool on = (enabled & 1u) != 0;
    onManager([id = QString::fromUtf8(itemId), on](ToolbarManager& manager) { manager.setItemEnabled(id, on); });
}

TARNWICK_EXPORT void toolbar_set_share_url(const char* url)
{
    if (!url)
        return;
    onManager([text = QString::fromUtf8(url)](ToolbarManager& manager) { manager.setShareUrl(text); });
}

TARNWICK_EXPORT void widgets_reload_all(void)
{
    tarnwick::nativelib::WidgetBridge::reloadAll();
}

TARNWICK_EXPORT char* widgets_group_container_path(const char* appGroupId)
{
    if (!appGroupId)
        return nullptr;
    return handOver(tarnwick::nativelib::WidgetBridge::groupContainerPath(appGroupId));
}

TARNWICK_EXPORT char* widgets_app_group_identifier(void)
{
    return handOver(tarnwick::nativelib::WidgetBridge::appGroupIdentifier());
}

TARNWICK_EXPORT char* localcache_key(void)
{
    return handOver(tarnwick::nativelib::KeychainBridge::localCacheKey(tarnwick::SecretServiceKeyStore::shared()));
}
