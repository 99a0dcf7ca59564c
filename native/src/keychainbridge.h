#pragma once

// The local cache key that every Tarnwick component shares: 32 random bytes in the key store item
// (service "com.fenmoorlab.tarnwick.localcache", account "v1"), handed out as standard Base64.
// Read through on every call, never remembered; safe on any thread (the store blocks on its bus).

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "tarnwick/extensionkit/keystore.h"

namespace tarnwick::nativelib {

/// Fills the buffer with secure random bytes; false when the generator fails.
using RandomFill = std::function<bool(unsigned char* bytes, std::size_t count)>;

class KeychainBridge {
public:
    static constexpr std::size_t kKeyLength = 32;

    /// The stored key when the lookup succeeds with exactly 32 bytes; nothing otherwise.
    static std::optional<std::string> readLocalCacheKey(KeyStore& store);
    /// The key in Base64 (44 characters), created when there is none. Nothing when the generator or
    /// the store fails, or another process's item still has no usable key after a duplicate.
    static std::optional<std::string> localCacheKey(KeyStore& store, const RandomFill& random = secureRandom);

    /// RFC 4648 Base64 with padding, no line breaks.
    static std::string base64(std::string_view bytes);
    /// OpenSSL's RAND_bytes.
    static bool secureRandom(unsigned char* bytes, std::size_t count);

    KeychainBridge() = delete;
};

} // namespace tarnwick::nativelib
