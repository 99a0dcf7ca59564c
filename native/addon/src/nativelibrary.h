#pragma once

// The binding of libTarnwickNative: opened by path with dlopen, its twelve C exports resolved by
// name. One process-wide binding, written only by `init` on the script thread; there is no unload.

#include <string>

namespace tarnwick::addon {

using ActionCallback = void (*)(const char* action, const char* payload);

/// The library's exports, each null when the library did not export it.
struct NativeExports {
    void (*toolbar_set_callback)(ActionCallback) = nullptr;
    void (*toolbar_attach)(void* view) = nullptr;
    void (*toolbar_detach)() = nullptr;
    void (*toolbar_update_accounts)(const char* json) = nullptr;
    void (*toolbar_update_labels)(const char* json) = nullptr;
    void (*toolbar_run_customization)() = nullptr;
    void (*toolbar_set_item_enabled)(const char* itemId, bool enabled) = nullptr;
    void (*toolbar_set_share_url)(const char* url) = nullptr;
    void (*widgets_reload_all)() = nullptr;
    char* (*widgets_group_container_path)(const char* appGroupId) = nullptr;
    char* (*widgets_app_group_identifier)() = nullptr;
    char* (*localcache_key)() = nullptr;
};

class NativeLibrary {
public:
    enum class BindStatus { Bound, AlreadyBound, LoadFailed, MissingSymbols };
    struct BindResult {
        BindStatus status;
        std::string loaderMessage; ///< dlerror() text when the library could not be opened
        std::string missingSymbols; ///< the required exports it lacks, comma-separated
    };

    static NativeLibrary& shared();

    /// Opens `path` (RTLD_NOW) and resolves the exports unless a library is bound already, in which
    /// case the path is ignored. The first four exports are required: without one of them the
    /// library is closed again and nothing stays bound.
    BindResult bind(const std::string& path);

    bool isBound() const { return handle_ != nullptr; }
    const NativeExports& exports() const { return exports_; }

private:
    void* handle_ = nullptr;
    NativeExports exports_;
};

} // namespace tarnwick::addon
