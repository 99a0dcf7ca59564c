#include "tarnwick/extensionkit/secretfile.h"

#include <cerrno>
#include <climits>
#include <memory>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <sys/stat.h>

#include "tarnwick/extensionkit/atomicfile.h"
#include "tarnwick/platform/fileread.h"
#include "tarnwick/extensionkit/secretfilekeychain.h"

namespace tarnwick {
namespace {

constexpr char kHeader[] = {'T', 'R', 'N', 'B', 'O', 'X', '\x01'};

struct CipherContext {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    ~CipherContext() { EVP_CIPHER_CTX_free(ctx); }
};

CipherError cipherError(const char* step)
{
    std::string reason = step;
    if (const unsigned long code = ERR_get_error()) {
        char text[256];
        ERR_error_string_n(code, text, sizeof text);
        reason += ": ";
        reason += text;
    }
    ERR_clear_error();
    return {reason};
}

const unsigned char* bytesOf(std::string_view s)
{
    return reinterpret_cast<const unsigned char*>(s.data());
}

// EVP takes int lengths; feed larger inputs in pieces.
constexpr std::size_t kChunk = std::size_t{1} << 30;

bool addAssociatedData(EVP_CIPHER_CTX* ctx, std::string_view name, bool encrypt)
{
    int ignored = 0;
    for (std::size_t at = 0; at < name.size(); at += kChunk) {
        const auto piece = name.substr(at, kChunk);
        const int ok = encrypt ? EVP_EncryptUpdate(ctx, nullptr, &ignored, bytesOf(piece), static_cast<int>(piece.size()))
                               : EVP_DecryptUpdate(ctx, nullptr, &ignored, bytesOf(piece), static_cast<int>(piece.size()));
        if (ok != 1)
            return false;
    }
    return true;
}

std::string fileName(const std::filesystem::path& file)
{
    return file.filename().string();
}

} // namespace

std::string_view SecretFile::header()
{
    return {kHeader, sizeof kHeader};
}

Expected<std::string, CipherError> SecretFile::seal(std::string_view bytes, std::string_view name,
                                                    const SymmetricKey& key)
{
    std::string out(kOverhead + bytes.size(), '\0');
    auto* base = reinterpret_cast<unsigned char*>(out.data());
    std::copy(std::begin(kHeader), std::end(kHeader), out.begin());
    unsigned char* nonce = base + kHeaderSize;
    unsigned char* cipher = nonce + kNonceSize;
    unsigned char* tag = cipher + bytes.size();
    if (RAND_bytes(nonce, static_cast<int>(kNonceSize)) != 1)
        return unexpected(cipherError("nonce"));

    CipherContext c;
    if (!c.ctx || EVP_EncryptInit_ex(c.ctx, EVP_aes_256_gcm(), nullptr, nullptr, nullptr) != 1
        || EVP_CIPHER_CTX_ctrl(c.ctx, EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(kNonceSize), nullptr) != 1
        || EVP_EncryptInit_ex(c.ctx, nullptr, nullptr, key.data(), nonce) != 1)
        return unexpected(cipherError("init"));
    if (!addAssociatedData(c.ctx, name, true))
        return unexpected(cipherError("associated data"));
    std::size_t written = 0;
    for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
        const auto piece = bytes.substr(at, kChunk);
        int n = 0;
        if (EVP_EncryptUpdate(c.ctx, cipher + written, &n, bytesOf(piece), static_cast<int>(piece.size())) != 1)
            return unexpected(cipherError("encrypt"));
        written += static_cast<std::size_t>(n);
    }
    int n = 0;
    if (EVP_EncryptFinal_ex(c.ctx, cipher + written, &n) != 1 || written + static_cast<std::size_t>(n) != bytes.size())
        return unexpected(cipherError("final"));
    if (EVP_CIPHER_CTX_ctrl(c.ctx, EVP_CTRL_GCM_GET_TAG, static_cast<int>(kTagSize), tag) != 1)
        return unexpected(cipherError("tag"));
    return out;
}

Expected<std::string, SecretFileError> SecretFile::open(std::string_view bytes, std::string_view name,
                                                        const SymmetricKey& key)
{
    if (bytes.size() < kOverhead)
        return unexpected(SecretFileError::unreadable());
    const auto* nonce = bytesOf(bytes) + kHeaderSize;
    const std::string_view cipher = bytes.substr(kHeaderSize + kNonceSize, bytes.size() - kOverhead);
    std::array<unsigned char, kTagSize> tag {};
    std::copy_n(bytesOf(bytes) + bytes.size() - kTagSize, kTagSize, tag.begin());

    std::string plain(cipher.size(), '\0');
    auto* out = reinterpret_cast<unsigned char*>(plain.data());
    CipherContext c;
    bool ok = c.ctx && EVP_DecryptInit_ex(c.ctx, EVP_aes_256_gcm(), nullptr, nullptr, nullptr) == 1
        && EVP_CIPHER_CTX_ctrl(c.ctx, EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(kNonceSize), nullptr) == 1
        && EVP_DecryptInit_ex(c.ctx, nullptr, nullptr, key.data(), nonce) == 1 && addAssociatedData(c.ctx, name, false);
    std::size_t written = 0;
    for (std::size_t at = 0; ok && at < cipher.size(); at += kChunk) {
        const auto piece = cipher.substr(at, kChunk);
        int n = 0;
        ok = EVP_DecryptUpdate(c.ctx, out + written, &n, bytesOf(piece), static_cast<int>(piece.size())) == 1;
        written += static_cast<std::size_t>(n);
    }
    int n = 0;
    ok = ok && EVP_CIPHER_CTX_ctrl(c.ctx, EVP_CTRL_GCM_SET_TAG, static_cast<int>(kTagSize), tag.data()) == 1
        && EVP_DecryptFinal_ex(c.ctx, out + written, &n) == 1;
    ERR_clear_error();
    if (!ok) {
        OPENSSL_cleanse(plain.data(), plain.size());
        return unexpected(SecretFileError::unreadable());
    }
    return plain;
}

Expected<SymmetricKey, SecretFileError> SecretFile::fileKey()
{
    return SecretFileKeychain::shared().fileKey();
}

Expected<std::optional<std::string>, SecretFileFailure> SecretFile::read(const std::filesystem::path& file)
{
    return read(file, [] () -> Expected<SymmetricKey, SecretFileFailure> {
        auto key = fileKey();
        if (!key)
            return unexpected(SecretFileFailure(key.error()));
        return *key;
    });
}

Expected<std::optional<std::string>, SecretFileFailure> SecretFile::read(const std::filesystem::path& file,
                                                                         const KeyProvider& keyProvider)
{
    std::error_code error;
    auto contents = readWholeFile(file, error);
    if (!contents) {
        if (error == std::errc::no_such_file_or_directory)
            return std::optional<std::string>();
        return unexpected(SecretFileFailure(SecretFileError::unreadable()));
    }
    if (std::string_view(*contents).substr(0, kHeaderSize) != header())
        return std::optional<std::string>(std::move(*contents));
    auto key = keyProvider();
    if (!key)
        return unexpected(key.error());
    auto plain = open(*contents, fileName(file), *key);
    if (!plain)
        return unexpected(SecretFileFailure(plain.error()));
    return std::optional<std::string>(std::move(*plain));
}

std::optional<SecretFileFailure> SecretFile::write(std::string_view bytes, const std::filesystem::path& file)
{
    return write(bytes, file, [] () -> Expected<SymmetricKey, SecretFileFailure> {
        auto key = fileKey();
        if (!key)
            return unexpected(SecretFileFailure(key.error()));
        return *key;
    });
}

std::optional<SecretFileFailure> SecretFile::write(std::string_view bytes, const std::filesystem::path& file,
                                                   const KeyProvider& keyProvider)
{
    auto key = keyProvider();
    if (!key)
        return key.error();
    auto sealed = seal(bytes, fileName(file), *key);
    if (!sealed)
        return sealed.error();
    // Created owner-only from the start, so the file is never readable by others even briefly.
    if (auto error = atomicfile::write(file, *sealed, 0600))
        return error;
    if (::chmod(file.c_str(), 0600) != 0)
        return std::error_code(errno, std::generic_category());
    return std::nullopt;
}

} // namespace tarnwick
