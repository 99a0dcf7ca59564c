#pragma once

#include <functional>
#include <mutex>
#include <optional>

#include "tarnwick/extensionkit/keystore.h"

namespace tarnwick {

/// Test fake: the item in memory, with counters and canned failures.
class MemoryKeyStore final : public KeyStore {
public:
    Lookup copyMatching() override;
    std::int32_t add(std::string_view value) override;

    std::optional<std::string> item;             ///< the stored value, any length
    std::int32_t lookupStatus = keystatus::kSuccess;  ///< forced status for lookups (when not success)
    std::int32_t addStatus = keystatus::kSuccess;     ///< forced status for adds (when not success)
    /// Runs inside add() before it checks for an item: lets a test slip in another "process".
    std::function<void(MemoryKeyStore&)> beforeAdd;
    /// Runs at the start of every lookup, outside the store's lock: lets a test hold a caller there.
    std::function<void()> beforeLookup;
    int lookups = 0;
    int adds = 0;
    std::mutex mutex;
};

} // namespace tarnwick
