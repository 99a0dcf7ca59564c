#include "actionchannel.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace tarnwick::addon {

namespace {

struct Action {
    std::string action;
    std::string payload;
};

void deliver(Napi::Env env, Napi::Function callback, std::nullptr_t*, Action* raw)
{
    std::unique_ptr<Action> pair(raw);
    // env is null when the runtime is shutting down and the queue is being drained.
    if (env == nullptr || callback.IsEmpty())
        return;
    callback.Call(env.Undefined(), {Napi::String::New(env, pair->action),
                                    Napi::String::New(env, pair->payload)});
    reportUncaught(env);
}

using Channel = Napi::TypedThreadSafeFunction<std::nullptr_t, Action, deliver>;

// The library may raise an action on its UI thread while `init` swaps the channel on the script
// thread; the lock keeps the channel alive for the duration of a queued call.
std::mutex channelMutex;
std::optional<Channel>& channelSlot()
{
    static auto* slot = new std::optional<Channel>;
    return *slot;
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

void ActionChannel::replace(Napi::Env env, Napi::Function callback)
{
    Channel channel = Channel::New(env, callback, "ToolbarAction", 0, 1);
    std::optional<Channel> earlier;
    {
        std::lock_guard lock(channelMutex);
        earlier = std::exchange(channelSlot(), channel);
    }
    if (earlier)
        earlier->Release();
}

void ActionChannel::actionBridge(const char* action, const char* payload)
{
    auto pair = std::make_unique<Action>(Action{action ? action : "", payload ? payload : ""});
    std::lock_guard lock(channelMutex);
    auto& channel = channelSlot();
    if (!channel)
        return;
    // With an unlimited queue a blocking call never waits.
    if (channel->BlockingCall(pair.get()) == napi_ok)
        pair.release();
}

} // namespace tarnwick::addon
