// tarnwick_addon: the module's fifteen script functions.

#include "actionchannel.h"
#include "addonlog.h"
#include "filedrop.h"
#include "nativelibrary.h"
#include "shareitems.h"
#include "sharingpicker.h"
#include "toolbarinput.h"
#include "urlhandlers.h"
#include "windowhandle.h"
#include "x11window.h"
#include "xdndsource.h"

#include <tarnwick/native/uithread.h>

#include <napi.h>
#include <uv.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tarnwick::addon {

namespace {

Napi::Value throwTypeError(Napi::Env env, const char* message)
{
    Napi::TypeError::New(env, message).ThrowAsJavaScriptException();
    return env.Undefined();
}

Napi::Value throwError(Napi::Env env, const std::string& message)
{
    Napi::Error::New(env, message).ThrowAsJavaScriptException();
    return env.Undefined();
}

bool hasStringArgument(const Napi::CallbackInfo& info)
{
    return info.Length() >= 1 && info[0].IsString();
}

const NativeExports& exports()
{
    return NativeLibrary::shared().exports();
}

// A library string result as a script value; the library hands over ownership.
Napi::Value takeLibraryString(Napi::Env env, char* result)
{
    if (result == nullptr)
        return env.Null();
    std::unique_ptr<char, decltype(&std::free)> owned(result, &std::free);
    return Napi::String::New(env, owned.get());
}

// The string elements of an array, in order; other elements are skipped.
std::vector<std::string> stringElements(const Napi::Array& array)
{
    std::vector<std::string> strings;
    const uint32_t length = array.Length();
    strings.reserve(length);
    for (uint32_t index = 0; index < length; ++index) {
        const Napi::Value element = array.Get(index);
        if (element.IsString())
            strings.push_back(element.As<Napi::String>().Utf8Value());
    }
    return strings;
}

// Runs when an environment that called `init` ends (a worker, or the process at exit). The image
// itself stays mapped (it is linked with -z nodelete), so a callback the library fires late still
// lands in live code; this also stops the library from firing once the receiving environment is
// gone.
void environmentEnded(napi_env rawEnv)
{
    if (ActionChannel::environmentEnding(Napi::Env(rawEnv)) && exports().toolbar_set_callback)
        exports().toolbar_set_callback(nullptr);
}

Napi::Value init(const Napi::CallbackInfo& info)
{
    Napi::Env env = info.Env();
    if (info.Length() < 2 || !info[0].IsString() || !info[1].IsFunction())
        return throwTypeError(env, "Expected (dylibPath: string, callback: function)");

    const std::string path = info[0].As<Napi::String>().Utf8Value();
    const auto result = NativeLibrary::shared().bind(path);
    switch (result.status) {
    case NativeLibrary::BindStatus::LoadFailed:
        return throwError(env, "Failed to load toolbar dylib: " + result.loaderMessage);
    case NativeLibrary::BindStatus::MissingSymbols:
        // The script sees the fixed text; the log says which file lacks what.
        AddonLog::error("Missing symbols in toolbar dylib " + path + ": " + result.missingSymbols);
        return throwError(env, "Missing symbols in toolbar dylib");
    case NativeLibrary::BindStatus::Bound:
    case NativeLibrary::BindStatus::AlreadyBound:
        break;
    }

    ActionChannel::replace(env, info[1].As<Napi::Function>(), environmentEnded);
    if (env.IsExceptionPending())
        return env.Undefined();
    exports().toolbar_set_callback(&ActionChannel::actionBridge);
    return env.Undefined();
}

Napi::Value attach(const Napi::CallbackInfo& info)
{
    Napi::Env env = info.Env();
    if (!exports().toolbar_attach)
        return throwError(env, "Toolbar not initialised");
    const auto handle = info.Length() >= 1 ? readWindowHandle(info[0]) : std::nullopt;
    if (!handle)
        return throwTypeError(env, "Expected (nativeWindowHandle: Buffer)");
    exports().toolbar_attach(reinterpret_cast<void*>(*handle));
    return env.Undefined();
}

Napi::Value detach(const Napi::CallbackInfo& info)
{
    if (exports().toolbar_detach)
        exports().toolbar_detach();
    return info.Env().Undefined();
}

Napi::Value updateAccounts(const Napi::CallbackInfo& info)
{
    if (!hasStringArgument(info))
        return throwTypeError(info.Env(), "Expected (json: string)");
    const std::string json = info[0].As<Napi::String>().Utf8Value();
    if (const auto problem = toolbarinput::accountsProblem(json))
        AddonLog::error(*problem);
    if (exports().toolbar_update_accounts)
        exports().toolbar_update_accounts(json.c_str());
    return info.Env().Undefined();
}

Napi::Value updateLabels(const Napi::CallbackInfo& info)
{
    if (!hasStringArgument(info))
        return throwTypeError(info.Env(), "Expected (json: string)");
    const std::string json = info[0].As<Napi::String>().Utf8Value();
    if (const auto problem = toolbarinput::labelsProblem(json))
        AddonLog::error(*problem);
    if (exports().toolbar_update_labels)
        exports().toolbar_update_labels(json.c_str());
    return info.Env().Undefined();
}

Napi::Value runCustomization(const Napi::CallbackInfo& info)
{
    if (exports().toolbar_run_customization)
        exports().toolbar_run_customization();
    return info.Env().Undefined();
}

Napi::Value setItemEnabled(const Napi::CallbackInfo& info)
{
    if (info.Length() < 2 || !info[0].IsString() || !info[1].IsBoolean())
        return throwTypeError(info.Env(), "Expected (itemId: string, enabled: boolean)");
    const std::string itemId = info[0].As<Napi::String>().Utf8Value();
    if (const auto problem = toolbarinput::itemProblem(itemId))
        AddonLog::error(*problem);
    if (exports().toolbar_set_item_enabled)
        exports().toolbar_set_item_enabled(itemId.c_str(), info[1].As<Napi::Boolean>().Value());
    return info.Env().Undefined();
}

Napi::Value setShareUrl(const Napi::CallbackInfo& info)
{
    if (!hasStringArgument(info))
        return throwTypeError(info.Env(), "Expected (url: string)");
    if (exports().toolbar_set_share_url)
        exports().toolbar_set_share_url(info[0].As<Napi::String>().Utf8Value().c_str());
    return info.Env().Undefined();
}

Napi::Value dropFiles(const Napi::CallbackInfo& info)
{
    Napi::Env env = info.Env();
    const auto handle = info.Length() >= 2 ? readWindowHandle(info[0]) : std::nullopt;
    if (!handle || !info[1].IsArray())
        return throwTypeError(env, "Expected (nativeWindowHandle: Buffer, filePaths: string[])");

    const ResolvedWindow window = resolveWindow(*handle);
    if (!window.found()) {
        AddonLog::error(window.refusal);
        return throwError(env, "No window found for handle");
    }

    std::vector<QUrl> urls = FileDrop::fileUrls(stringElements(info[1].As<Napi::Array>()));
    if (urls.empty())
        return env.Undefined();
    if (window.widget) {
        FileDrop::start(window.widget, std::move(urls));
        return env.Undefined();
    }
    std::vector<std::string> uris;
    uris.reserve(urls.size());
    for (const QUrl& url : urls)
        uris.push_back(url.toEncoded().toStdString());
    XdndSource::start(window.displayName, window.x11Window, std::move(uris));
    return env.Undefined();
}

// Without an argument: the container of the library's own group, which is what the main
// application nearly always wants. Any other non-string argument still answers null.
Napi::Value groupContainerPath(const Napi::CallbackInfo& info)
{
    Napi::Env env = info.Env();
    if (!exports().widgets_group_container_path)
        return env.Null();
    std::string groupId;
    if (info.Length() == 0 || info[0].IsUndefined()) {
        if (!exports().widgets_app_group_identifier)
            return env.Null();
        std::unique_ptr<char, decltype(&std::free)> own(exports().widgets_app_group_identifier(), &std::free);
        if (!own)
            return env.Null();
        groupId = own.get();
    } else if (info[0].IsString()) {
        groupId = info[0].As<Napi::String>().Utf8Value();
    } else {
        return env.Null();
    }
    return takeLibraryString(env, exports().widgets_group_container_path(groupId.c_str()));
}

Napi::Value appGroupIdentifier(const Napi::CallbackInfo& info)
{
    Napi::Env env = info.Env();
    if (!exports().widgets_app_group_identifier)
        return env.Null();
    return takeLibraryString(env, exports().widgets_app_group_identifier());
}

Napi::Value localCacheKey(const Napi::CallbackInfo& info)
{
    Napi::Env env = info.Env();
    if (!exports().localcache_key)
        return env.Null();
    return takeLibraryString(env, exports().localcache_key());
}

Napi::Value showSharingPicker(const Napi::CallbackInfo& info)
{
    Napi::Env env = info.Env();
    const auto handle = info.Length() >= 2 ? readWindowHandle(info[0]) : std::nullopt;
    if (!handle || !info[1].IsArray())
        return throwTypeError(env, "Expected (nativeWindowHandle: Buffer, items: string[])");

    SharingPicker::Completion completion;
    if (info.Length() >= 3 && info[2].IsFunction()) {
        // The runtime may finalize the channel (at shutdown) while a picker is still open; the
        // completion then has nothing left to call.
        struct CompletionChannel {
            std::mutex mutex;
            bool usable = true;
            Napi::ThreadSafeFunction function;
        };
        auto channel = std::make_shared<CompletionChannel>();
        channel->function = Napi::ThreadSafeFunction::New(
            env, info[2].As<Napi::Function>(), "TarnwickSharingCompletion", 0, 1, [channel](Napi::Env) {
                std::lock_guard lock(channel->mutex);
                channel->usable = false;
            });
        if (env.IsExceptionPending())
            return env.Undefined();
        channel->function.Unref(env);
        completion = [channel] {
            std::lock_guard lock(channel->mutex);
            if (!channel->usable)
                return;
            channel->usable = false;
            channel->function.NonBlockingCall([](Napi::Env callEnv, Napi::Function callback) {
                if (callEnv == nullptr || callback.IsEmpty())
                    return;
                callback.Call(callEnv.Undefined(), {});
                reportUncaught(callEnv);
            });
            channel->function.Release();
        };
    }

    const ResolvedWindow window = resolveWindow(*handle);
    if (!window.found()) {
        AddonLog::error(window.refusal);
        if (completion)
            completion();
        return env.Undefined();
    }
    std::vector<ShareItem> items = makeShareItems(stringElements(info[1].As<Napi::Array>()));
    if (items.empty()) {
        if (completion)
            completion();
        return env.Undefined();
    }
    if (!window.widget) {
        // A foreign X11 window: the anchor is found over X now; the menu opens on the UI thread,
        // which runs on the same display.
        const auto anchor = x11MenuAnchor(window.displayName, window.x11Window);
        if (!anchor) {
            if (completion)
                completion();
            return env.Undefined();
        }
        native::runOnUiThread([at = QPoint(anchor->first, anchor->second), items = std::move(items),
                               completion = std::move(completion)]() mutable {
            SharingPicker::showAt(at, std::move(items), std::move(completion));
        });
        return env.Undefined();
    }
    QPointer<QWidget> view = window.widget;
    native::runOnUiThread([view, items = std::move(items), completion = std::move(completion)]() mutable {
        if (!view) {
            if (completion)
                completion();
            return;
        }
        SharingPicker::show(view.data(), std::move(items), std::move(completion));
    });
    return env.Undefined();
}

Napi::Value reloadWidgets(const Napi::CallbackInfo& info)
{
    if (exports().widgets_reload_all)
        exports().widgets_reload_all();
    return info.Env().Undefined();
}

Napi::Value hasApplicationForUrlFunction(const Napi::CallbackInfo& info)
{
    Napi::Env env = info.Env();
    if (!hasStringArgument(info))
        return throwTypeError(env, "Expected (url: string)");
    return Napi::Boolean::New(env, hasApplicationForUrl(info[0].As<Napi::String>().Utf8Value()));
}

} // namespace

// Runs when an environment that loaded the module is torn down. The library's UI thread may still
// be creating its application then; a process exit following this would destroy Qt's statics under
// it. The main thread's environment ends only with the process, so there the UI thread is parked
// before any exit handler runs; a worker's end waits for it to run what was queued so far.
void settleUiThreadAtEnd(void* isMainThread)
{
    if (isMainThread != nullptr)
        native::parkUiThread();
    else
        native::settleUiThread();
}

Napi::Object registerFunctions(Napi::Env env, Napi::Object moduleExports)
{
    uv_loop_t* loop = nullptr;
    const bool mainThread = napi_get_uv_event_loop(env, &loop) == napi_ok && loop == uv_default_loop();
    static char mainThreadMark;
    napi_add_env_cleanup_hook(env, settleUiThreadAtEnd, mainThread ? &mainThreadMark : nullptr);
    const struct {
        const char* name;
        Napi::Function::Callback function;
    } table[] = {
        {"init", init},
        {"attach", attach},
        {"detach", detach},
        {"updateAccounts", updateAccounts},
        {"updateLabels", updateLabels},
        {"runCustomization", runCustomization},
        {"setItemEnabled", setItemEnabled},
        {"setShareUrl", setShareUrl},
        {"dropFiles", dropFiles},
        {"groupContainerPath", groupContainerPath},
        {"appGroupIdentifier", appGroupIdentifier},
        {"localCacheKey", localCacheKey},
        {"showSharingPicker", showSharingPicker},
        {"reloadWidgets", reloadWidgets},
        {"hasApplicationForUrl", hasApplicationForUrlFunction},
    };
    for (const auto& entry : table)
        moduleExports.Set(entry.name, Napi::Function::New(env, entry.function, entry.name));
    return moduleExports;
}

} // namespace tarnwick::addon

namespace {
Napi::Object initModule(Napi::Env env, Napi::Object exports)
{
    return tarnwick::addon::registerFunctions(env, exports);
}
} // namespace

NODE_API_MODULE(tarnwick_addon, initModule)
