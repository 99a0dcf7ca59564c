#pragma once

// The local cache key as sealed files obtain it: looked up in the key store, created there when
// missing, and kept in memory for the rest of the process once obtained.

#include <mutex>
#include <optional>

#include "tarnwick/extensionkit/keystore.h"
#include "tarnwick/extensionkit/secretfile.h"
#include "tarnwick/extensionkit/symmetrickey.h"

namespace tarnwick {

class SecretFileKeychain {
public:
    /// `store` must outlive the keychain.
    explicit SecretFileKeychain(KeyStore& store);

    /// The memoised key, else fetchOrCreateKey() (memoised on success). Concurrent callers wait for
    /// the first; a failure is not memoised, so the next call asks the store again.
    Expected<SymmetricKey, SecretFileError> fileKey();

    /// The stored key; else a new random key added to the store; when the add reports a duplicate
    /// (another process won the race) the stored key after all; KeyUnavailable with the store's status
    /// otherwise.
    static Expected<SymmetricKey, SecretFileError> fetchOrCreateKey(KeyStore& store);
    /// The stored 32-byte value; nothing for no item, a value of another length, or any store error.
    static std::optional<SymmetricKey> storedKey(KeyStore& store);

    /// The process-wide keychain over the Secret Service.
    static SecretFileKeychain& shared();

private:
    KeyStore& m_store;
    std::mutex m_keyLock;
    std::optional<SymmetricKey> m_memoisedKey;
};

} // namespace tarnwick
