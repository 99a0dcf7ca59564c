#pragma once

// libTarnwickNative opened the way the addon opens it: dlopen by path, the twelve exports by name.

#include <dlfcn.h>
#include <string>

#include "tarnwick/testing/subprocess.h"

struct NativeLibrary {
    using Callback = void (*)(const char*, const char*);
    void* handle = nullptr;
    void (*setCallback)(Callback) = nullptr;
    void (*attach)(void*) = nullptr;
    void (*detach)() = nullptr;
    void (*updateAccounts)(const char*) = nullptr;
    void (*updateLabels)(const char*) = nullptr;
    void (*runCustomization)() = nullptr;
    void (*setItemEnabled)(const char*, bool) = nullptr;
    void (*setShareUrl)(const char*) = nullptr;
    void (*reloadAll)() = nullptr;
    char* (*groupContainerPath)(const char*) = nullptr;
    char* (*appGroupIdentifier)() = nullptr;
    char* (*localCacheKey)() = nullptr;
    int resolved = 0;

    static std::string path() { return tarnwick::testing::builtProgram("native/libTarnwickNative.so"); }

    bool open()
    {
        handle = ::dlopen(path().c_str(), RTLD_NOW);
        if (!handle)
            return false;
        resolve(setCallback, "toolbar_set_callback");
        resolve(attach, "toolbar_attach");
        resolve(detach, "toolbar_detach");
        resolve(updateAccounts, "toolbar_update_accounts");
        resolve(updateLabels, "toolbar_update_labels");
        resolve(runCustomization, "toolbar_run_customization");
        resolve(setItemEnabled, "toolbar_set_item_enabled");
        resolve(setShareUrl, "toolbar_set_share_url");
        resolve(reloadAll, "widgets_reload_all");
        resolve(groupContainerPath, "widgets_group_container_path");
        resolve(appGroupIdentifier, "widgets_app_group_identifier");
        resolve(localCacheKey, "localcache_key");
        return resolved == 12;
    }

    template <typename F>
    void resolve(F& slot, const char* name)
    {
        if (void* symbol = ::dlsym(handle, name)) {
            slot = reinterpret_cast<F>(symbol);
            ++resolved;
        }
    }
};
