#include "tarnwick/native/actionbridge.h"

#include <atomic>
#include <string>

namespace tarnwick::native {
namespace {
// Written on the caller's thread, read on the UI thread: atomic so the read never tears.
std::atomic<ActionBridge::Callback> g_callback{nullptr};
} // namespace

void ActionBridge::setCallback(Callback callback)
{
    g_callback.store(callback, std::memory_order_release);
}

ActionBridge::Callback ActionBridge::callback()
{
    return g_callback.load(std::memory_order_acquire);
}

void ActionBridge::emit(std::string_view action, std::string_view payload)
{
    const Callback cb = callback();
    if (!cb)
        return;
    // Views need not be NUL-terminated; the receiver gets its own terminated copies.
    const std::string actionText(action);
    const std::string payloadText(payload);
    cb(actionText.c_str(), payloadText.c_str());
}

} // namespace tarnwick::native
