#include "keychainbridge.h"

#include <array>
#include <climits>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace tarnwick::nativelib {

std::optional<std::string> KeychainBridge::readLocalCacheKey(KeyStore& store)
{
    KeyStore::Lookup lookup = store.copyMatching();
    if (lookup.status != keystatus::kSuccess || lookup.value.size() != kKeyLength) {
        OPENSSL_cleanse(lookup.value.data(), lookup.value.size());
        return std::nullopt;
    }
    return std::move(lookup.value);
}

std::optional<std::string> KeychainBridge::localCacheKey(KeyStore& store, const RandomFill& random)
{
    if (auto key = readLocalCacheKey(store)) {
        std::string text = base64(*key);
        OPENSSL_cleanse(key->data(), key->size());
        return text;
    }
    std::array<unsigned char, kKeyLength> fresh {};
    if (!random || !random(fresh.data(), fresh.size()))
        return std::nullopt;
    const std::string_view bytes(reinterpret_cast<const char*>(fresh.data()), fresh.size());
    const std::int32_t status = store.add(bytes);
    std::optional<std::string> result;
    if (status == keystatus::kSuccess) {
        result = base64(bytes);
    } else if (status == keystatus::kDuplicateItem) {
        // Another thread or process created the item meanwhile: its key wins, ours is discarded.
        if (auto key = readLocalCacheKey(store)) {
            result = base64(*key);
            OPENSSL_cleanse(key->data(), key->size());
        }
    }
    OPENSSL_cleanse(fresh.data(), fresh.size());
    return result;
}

std::string KeychainBridge::base64(std::string_view bytes)
{
    if (bytes.size() > static_cast<std::size_t>(INT_MAX / 4 * 3))
        return {};
    std::string out(4 * ((bytes.size() + 2) / 3), '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                        reinterpret_cast<const unsigned char*>(bytes.data()),
                                        static_cast<int>(bytes.size()));
    out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return out;
}

bool KeychainBridge::secureRandom(unsigned char* bytes, std::size_t count)
{
    return count <= static_cast<std::size_t>(INT_MAX) && RAND_bytes(bytes, static_cast<int>(count)) == 1;
}

} // namespace tarnwick::nativelib
