#include "nativelibrary.h"

#include <dlfcn.h>

#include <utility>

namespace tarnwick::addon {

namespace {

template <typename Function>
void resolve(void* handle, const char* name, Function& slot)
{
    slot = reinterpret_cast<Function>(::dlsym(handle, name));
}

} // namespace

NativeLibrary& NativeLibrary::shared()
{
    // Never destroyed: the library stays loaded for the life of the process.
    static auto* instance = new NativeLibrary;
    return *instance;
}

NativeLibrary::BindResult NativeLibrary::bind(const std::string& path)
{
    if (handle_)
        return {BindStatus::AlreadyBound, {}, {}};

    ::dlerror();
    void* handle = ::dlopen(path.c_str(), RTLD_NOW);
    if (!handle) {
        const char* message = ::dlerror();
        return {BindStatus::LoadFailed, message ? message : "unknown error", {}};
    }

    NativeExports found;
    resolve(handle, "toolbar_set_callback", found.toolbar_set_callback);
    resolve(handle, "toolbar_attach", found.toolbar_attach);
    resolve(handle, "toolbar_detach", found.toolbar_detach);
    resolve(handle, "toolbar_update_accounts", found.toolbar_update_accounts);
    resolve(handle, "toolbar_update_labels", found.toolbar_update_labels);
    resolve(handle, "toolbar_run_customization", found.toolbar_run_customization);
    resolve(handle, "toolbar_set_item_enabled", found.toolbar_set_item_enabled);
    resolve(handle, "toolbar_set_share_url", found.toolbar_set_share_url);
    resolve(handle, "widgets_reload_all", found.widgets_reload_all);
    resolve(handle, "widgets_group_container_path", found.widgets_group_container_path);
    resolve(handle, "widgets_app_group_identifier", found.widgets_app_group_identifier);
    resolve(handle, "localcache_key", found.localcache_key);

    std::string missing;
    const std::pair<const char*, bool> required[] = {
        {"toolbar_set_callback", found.toolbar_set_callback != nullptr},
        {"toolbar_attach", found.toolbar_attach != nullptr},
        {"toolbar_detach", found.toolbar_detach != nullptr},
        {"toolbar_update_accounts", found.toolbar_update_accounts != nullptr},
    };
    for (const auto& [name, present] : required) {
        if (!present)
            missing += (missing.empty() ? "" : ", ") + std::string(name);
    }
    if (!missing.empty()) {
        ::dlclose(handle);
        return {BindStatus::MissingSymbols, {}, missing};
    }

    handle_ = handle;
    exports_ = found;
    return {BindStatus::Bound, {}, {}};
}

} // namespace tarnwick::addon
