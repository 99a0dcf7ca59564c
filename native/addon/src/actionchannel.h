#pragma once

// The action channel: carries the library's (action, payload) pairs from the thread that raises
// them (the UI thread) to the script thread, as calls of the function given to `init`.

#include <napi.h>

namespace tarnwick::addon {

/// Hands an exception left pending by a script callback to the runtime's uncaught-exception
/// handling ('uncaughtException'), as a throw on an ordinary event-loop turn would be.
void reportUncaught(Napi::Env env);

class ActionChannel {
public:
    /// Makes `callback` the receiver of every later action (thread-safe function "ToolbarAction",
    /// unlimited queue). The channel does not keep the event loop alive: a script or worker that
    /// has nothing else to do ends, as it would without the addon; in the main application the
    /// loop runs anyway. An earlier channel is released: it delivers what it had queued already
    /// and nothing after. `environmentEnded` runs once when `env` is torn down (a worker that
    /// ended, or the process exiting), before the runtime closes the channel. Script thread only.
    static void replace(Napi::Env env, Napi::Function callback, void (*environmentEnded)(napi_env));

    /// Forgets the channel when it belongs to `env`, which is ending. Returns true when it did, so
    /// the caller can unregister the library callback as well. On `env`'s thread, from its teardown.
    static bool environmentEnding(Napi::Env env);

    /// The C callback registered with the library. Copies both strings and queues one script call
    /// without waiting; drops the pair when no channel exists. Any thread.
    static void actionBridge(const char* action, const char* payload);
};

} // namespace tarnwick::addon
