#pragma once

// Small files encrypted at rest. A sealed file is
//   "TRNBOX" 0x01 | 12-byte nonce | ciphertext | 16-byte tag
// AES-256-GCM under the local cache key, with the file's own name (last path component) as
// associated data, so a sealed file renamed or copied to another name no longer opens. Reading is
// lenient: a file that does not start with the seven header bytes comes back unchanged, so plain and
// sealed files are read through the same call.
//
// All functions are thread-safe; the key is fetched from the key store (or created there) once per
// process by SecretFileKeychain::shared().

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>

#include "tarnwick/extensionkit/expected.h"
#include "tarnwick/extensionkit/symmetrickey.h"

namespace tarnwick {

/// The sealed-file component's own failures; they carry no text.
struct SecretFileError {
    enum class Code { KeyUnavailable, Unreadable };
    Code code = Code::Unreadable;
    std::int32_t status = 0;  ///< the key store's status for KeyUnavailable

    static SecretFileError keyUnavailable(std::int32_t status) { return {Code::KeyUnavailable, status}; }
    static SecretFileError unreadable() { return {Code::Unreadable, 0}; }
    friend bool operator==(const SecretFileError&, const SecretFileError&) = default;
};

/// The cipher failed while sealing (OpenSSL's reason).
struct CipherError {
    std::string reason;
    friend bool operator==(const CipherError&, const CipherError&) = default;
};

/// What read and write can fail with: the component's own error, a cipher error, a file-system error,
/// or whatever a caller-supplied key provider reported (passed through unchanged).
using SecretFileFailure = std::variant<SecretFileError, CipherError, std::error_code>;

class SecretFile {
public:
    using KeyProvider = std::function<Expected<SymmetricKey, SecretFileFailure>()>;

    static constexpr std::size_t kHeaderSize = 7;
    static constexpr std::size_t kNonceSize = 12;
    static constexpr std::size_t kTagSize = 16;
    static constexpr std::size_t kOverhead = kHeaderSize + kNonceSize + kTagSize; // 35

    /// "TRNBOX" followed by the format version 0x01.
    static std::string_view header();

    /// Nothing when no file exists; the plaintext of a sealed file; any other file unchanged.
    static Expected<std::optional<std::string>, SecretFileFailure> read(const std::filesystem::path& file);
    static Expected<std::optional<std::string>, SecretFileFailure> read(const std::filesystem::path& file,
                                                                        const KeyProvider& key);

    /// Seals `bytes` under the file's name and writes them atomically with mode 0600. The parent
    /// directory must exist. A failure to set the mode is reported although the file is in place.
    static std::optional<SecretFileFailure> write(std::string_view bytes, const std::filesystem::path& file);
    static std::optional<SecretFileFailure> write(std::string_view bytes, const std::filesystem::path& file,
                                                  const KeyProvider& key);

    /// header ‖ fresh random nonce ‖ ciphertext ‖ tag, authenticating `name`.
    static Expected<std::string, CipherError> seal(std::string_view bytes, std::string_view name,
                                                   const SymmetricKey& key);
    /// The plaintext of complete file contents (header included but not checked); Unreadable when
    /// shorter than kOverhead or when authentication fails.
    static Expected<std::string, SecretFileError> open(std::string_view bytes, std::string_view name,
                                                       const SymmetricKey& key);

    /// The process's key (SecretFileKeychain::shared().fileKey()).
    static Expected<SymmetricKey, SecretFileError> fileKey();
};

} // namespace tarnwick
