#pragma once

// Port: the one keychain item that holds Tarnwick's local cache key, a generic secret with the
// attributes service = "com.fenmoorlab.tarnwick.localcache" and account = "v1" whose value is the 32
// raw key bytes. Sealed files and the native library's localcache_key both use it, so every
// component ends up with one key.
//
// Statuses are signed 32-bit numbers modelled on the keychain's: 0 success, kDuplicateItem when the
// item already exists on add, others only reported.

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

namespace keystatus {
inline constexpr std::int32_t kSuccess = 0;
inline constexpr std::int32_t kDuplicateItem = -25299;
inline constexpr std::int32_t kItemNotFound = -25300;
/// No Secret Service can be reached (no session bus, no service on it): the keychain refused.
inline constexpr std::int32_t kNotAvailable = -25291;
/// The store has no default collection to put the item in.
inline constexpr std::int32_t kNoSuchKeychain = -25294;
/// The collection is locked and unlocking it needs a prompt that was not answered.
inline constexpr std::int32_t kInteractionNotAllowed = -25308;
} // namespace keystatus

class KeyStore {
public:
    inline static constexpr std::string_view kService = "com.fenmoorlab.tarnwick.localcache";
    inline static constexpr std::string_view kAccount = "v1";

    struct Lookup {
        std::int32_t status = keystatus::kItemNotFound;
        std::string value;  ///< the item's bytes when status is kSuccess, whatever their length
    };

    virtual ~KeyStore() = default;
    /// The item's value (one item, when several match).
    virtual Lookup copyMatching() = 0;
    /// Adds the item with `value`, or answers kDuplicateItem when one exists (of any length). Success
    /// means `value` is the stored key every process reads from now on: when a racing process's item
    /// turns out to be the older one, ours is withdrawn and the answer is kDuplicateItem as well.
    virtual std::int32_t add(std::string_view value) = 0;
};

} // namespace tarnwick
