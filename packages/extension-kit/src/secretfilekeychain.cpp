#include "tarnwick/extensionkit/secretfilekeychain.h"

#include "tarnwick/extensionkit/secretservicekeystore.h"

namespace tarnwick {

SecretFileKeychain::SecretFileKeychain(KeyStore& store) : m_store(store) {}

Expected<SymmetricKey, SecretFileError> SecretFileKeychain::fileKey()
{
    std::lock_guard lock(m_keyLock);
    if (m_memoisedKey)
        return *m_memoisedKey;
    auto key = fetchOrCreateKey(m_store);
    if (key)
        m_memoisedKey = *key;
    return key;
}

std::optional<SymmetricKey> SecretFileKeychain::storedKey(KeyStore& store)
{
    const KeyStore::Lookup found = store.copyMatching();
    if (found.status != keystatus::kSuccess)
        return std::nullopt;
    return SymmetricKey::fromBytes(found.value);
}

Expected<SymmetricKey, SecretFileError> SecretFileKeychain::fetchOrCreateKey(KeyStore& store)
{
    if (auto existing = storedKey(store))
        return *existing;
    const auto fresh = SymmetricKey::random();
    if (!fresh)
        return unexpected(SecretFileError::keyUnavailable(keystatus::kNotAvailable));
    const std::int32_t status = store.add(fresh->bytes());
    if (status == keystatus::kSuccess)
        return *fresh;
    if (status == keystatus::kDuplicateItem) {
        // Another process added the item first: everyone adopts the stored key.
        if (auto winner = storedKey(store))
            return *winner;
    }
    return unexpected(SecretFileError::keyUnavailable(status));
}

SecretFileKeychain& SecretFileKeychain::shared()
{
    static SecretFileKeychain instance(SecretServiceKeyStore::shared());
    return instance;
}

} // namespace tarnwick
