#include "tarnwick/extensionkit/symmetrickey.h"

#include <cstring>
#include <openssl/crypto.h>
#include <openssl/rand.h>

namespace tarnwick {

std::optional<SymmetricKey> SymmetricKey::fromBytes(std::string_view bytes)
{
    if (bytes.size() != kSize)
        return std::nullopt;
    SymmetricKey key;
    std::memcpy(key.m_bytes.data(), bytes.data(), kSize);
    return key;
}

std::optional<SymmetricKey> SymmetricKey::random()
{
    SymmetricKey key;
    if (RAND_bytes(key.m_bytes.data(), static_cast<int>(kSize)) != 1)
        return std::nullopt;
    return key;
}

SymmetricKey::~SymmetricKey()
{
    OPENSSL_cleanse(m_bytes.data(), m_bytes.size());
}

} // namespace tarnwick
