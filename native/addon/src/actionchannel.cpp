#include "actionchannel.h"

#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace tarnwick::addon {

namespace {

struct Action {
    std::string action;
    std::string payload;
};

// Identifies one channel, so its finalizer clears the slot only while the slot still holds it.
struct ChannelTag {
};

void deliver(Napi::Env env, Napi::Function callback, ChannelTag*, Action* raw)
{
    std::unique_ptr<Action> pair(raw);
    // env is null when the runtime is shutting down and the queue is being drained.
    if (env == nullptr || callback.IsEmpty())
        return;
    callback.Call(env.Undefined(), {Napi::String::New(env, pair->action),
                                    Napi::String::New(env, pair->payload)});
    reportUncaught(env);
}

using Channel = Napi::TypedThreadSafeFunction<ChannelTag, Action, deliver>;

struct Slot {
    Channel channel;
    ChannelTag* tag;
    napi_env env; ///< the environment whose script thread the channel delivers to
};

// The library may raise an action on its UI thread while `init` swaps the channel on the script
// thread, or while the runtime finalizes it at shutdown; the lock keeps the channel valid for the
// duration of a queued call.
std::mutex channelMutex;
std::optional<Slot>& channelSlot()
{
    static auto* slot = new std::optional<Slot>;
    return *slot;
}

// The runtime destroys a channel once it is released, or when its environment ends; after that
// no action may reach it.
void channelFinalized(Napi::Env, void*, ChannelTag* tag)
{
    {
        std::lock_guard lock(channelMutex);
        auto& slot = channelSlot();
        if (slot && slot->tag == tag)
            slot.reset();
    }
    delete tag;
}

// Environments whose teardown is watched, each once. A hook added after the environment's first
// channel runs before the runtime's own clean-up of that channel (hooks run in reverse order), so
// the library stops calling into the environment before the channel closes.
struct WatchedEnvironment {
    napi_env env;
    void (*ended)(napi_env);
};
std::mutex watchMutex;
std::set<napi_env>& watchedEnvironments()
{
    static auto* environments = new std::set<napi_env>;
    return *environments;
}

void environmentTornDown(void* raw)
{
    std::unique_ptr<WatchedEnvironment> watched(static_cast<WatchedEnvironment*>(raw));
    {
        std::lock_guard lock(watchMutex);
        watchedEnvironments().erase(watched->env);
    }
    watched->ended(watched->env);
}

void watchEnvironment(napi_env env, void (*ended)(napi_env))
{
    {
        std::lock_guard lock(watchMutex);
        if (!watchedEnvironments().insert(env).second)
            return;
    }
    auto* watched = new WatchedEnvironment{env, ended};
    if (napi_add_env_cleanup_hook(env, environmentTornDown, watched) != napi_ok) {
        std::lock_guard lock(watchMutex);
        watchedEnvironments().erase(env);
        delete watched;
    }
}

} // namespace

// Left pending, Node would only print a deprecation warning and drop the exception.
void reportUncaught(Napi::Env env)
{
    if (!env.IsExceptionPending())
        return;
    Napi::Error error = env.GetAndClearPendingException();
    napi_fatal_exception(env, error.Value());
}

void ActionChannel::replace(Napi::Env env, Napi::Function callback, void (*environmentEnded)(napi_env))
{
    auto* tag = new ChannelTag;
    Channel channel = Channel::New(env, callback, "ToolbarAction", 0, 1, tag, channelFinalized, static_cast<void*>(nullptr));
    if (env.IsExceptionPending()) {
        delete tag;
        return;
    }
    channel.Unref(env);
    watchEnvironment(env, environmentEnded);
    std::optional<Slot> earlier;
    {
        std::lock_guard lock(channelMutex);
        earlier = std::exchange(channelSlot(), Slot{channel, tag, env});
    }
    if (earlier)
        earlier->channel.Release();
}

bool ActionChannel::environmentEnding(Napi::Env env)
{
    std::lock_guard lock(channelMutex);
    auto& slot = channelSlot();
    if (!slot || slot->env != static_cast<napi_env>(env))
        return false;
    // The runtime finalizes the channel itself while the environment ends; only forget it here.
    slot.reset();
    return true;
}

void ActionChannel::actionBridge(const char* action, const char* payload)
{
    auto pair = std::make_unique<Action>(Action{action ? action : "", payload ? payload : ""});
    std::lock_guard lock(channelMutex);
    auto& channel = channelSlot();
    if (!channel)
        return;
    // With an unlimited queue a blocking call never waits.
    if (channel->channel.BlockingCall(pair.get()) == napi_ok)
        pair.release();
}

} // namespace tarnwick::addon
