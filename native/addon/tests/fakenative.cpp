// A stand-in for libTarnwickNative with the same twelve C exports. It records every call and can
// raise actions from a thread of its own, as the real library does from its UI thread. Test
// programs reach the recording through the fake_native_* functions.
//
// FAKE_NATIVE_WITHOUT_UPDATE_ACCOUNTS leaves out one export the addon requires;
// FAKE_NATIVE_REQUIRED_ONLY keeps only the four required ones.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using ActionCallback = void (*)(const char*, const char*);

std::mutex mutex;
std::vector<std::string> calls;
ActionCallback callback = nullptr;

void record(std::string call)
{
    std::lock_guard lock(mutex);
    calls.push_back(std::move(call));
}

std::string text(const char* value)
{
    return value ? "\"" + std::string(value) + "\"" : "null";
}

} // namespace

FAKE_EXPORT void toolbar_set_callback(ActionCallback cb)
{
    record(cb ? "toolbar_set_callback(fn)" : "toolbar_set_callback(null)");
    std::lock_guard lock(mutex);
    callback = cb;
}

FAKE_EXPORT void toolbar_attach(void* view)
{
    char address[32];
    std::snprintf(address, sizeof address, "%#llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(view)));
    record(std::string("toolbar_attach(") + address + ")");
}

FAKE_EXPORT void toolbar_detach(void)
{
    record("toolbar_detach()");
}

#ifndef FAKE_NATIVE_WITHOUT_UPDATE_ACCOUNTS
FAKE_EXPORT void toolbar_update_accounts(const char* json)
{
    record("toolbar_update_accounts(" + text(json) + ")");
}
#endif

#ifndef FAKE_NATIVE_REQUIRED_ONLY
FAKE_EXPORT void toolbar_update_labels(const char* json)
{
    record("toolbar_update_labels(" + text(json) + ")");
}

FAKE_EXPORT void toolbar_run_customization(void)
{
    record("toolbar_run_customization()");
}

FAKE_EXPORT void toolbar_set_item_enabled(const char* itemId, bool enabled)
{
    record("toolbar_set_item_enabled(" + text(itemId) + (enabled ? ", true)" : ", false)"));
}

FAKE_EXPORT void toolbar_set_share_url(const char* url)
{
    record("toolbar_set_share_url(" + text(url) + ")");
}

FAKE_EXPORT void widgets_reload_all(void)
{
    record("widgets_reload_all()");
}

FAKE_EXPORT char* widgets_group_container_path(const char* appGroupId)
{
    record("widgets_group_container_path(" + text(appGroupId) + ")");
    return strdup(("/fake/group-containers/" + std::string(appGroupId ? appGroupId : "")).c_str());
}

// No group entitlement in the fake: the value is not available.
FAKE_EXPORT char* widgets_app_group_identifier(void)
{
    record("widgets_app_group_identifier()");
    return nullptr;
}

FAKE_EXPORT char* localcache_key(void)
{
    record("localcache_key()");
    return strdup("AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8=");
}
#endif

/// Every call since the last take, one per line, oldest first; the caller frees the text.
FAKE_EXPORT char* fake_native_take_calls(void)
{
    std::lock_guard lock(mutex);
    std::string joined;
    for (const std::string& call : calls)
        joined += call + "\n";
    calls.clear();
    return strdup(joined.c_str());
}

/// Raises (action, payload) `count` times from a new thread, as a burst, and waits for it.
FAKE_EXPORT void fake_native_fire(const char* action, const char* payload, int count)
{
    const std::string actionCopy = action ? action : "";
    const std::string payloadCopy = payload ? payload : "";
    std::thread raiser([&] {
        ActionCallback cb;
        {
            std::lock_guard lock(mutex);
            cb = callback;
        }
        if (!cb)
            return;
        for (int i = 0; i < count; ++i) {
            // Fresh buffers each time, released right after the call, as the library's are.
            std::string a = actionCopy;
            std::string p = count > 1 ? payloadCopy + std::to_string(i) : payloadCopy;
            cb(a.c_str(), p.c_str());
            std::memset(a.data(), 'X', a.size());
            std::memset(p.data(), 'X', p.size());
        }
    });
    raiser.join();
}
