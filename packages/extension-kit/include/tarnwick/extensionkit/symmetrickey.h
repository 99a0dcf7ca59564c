#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tarnwick {

/// A 256-bit key; its bytes are wiped when it goes away.
class SymmetricKey {
public:
    static constexpr std::size_t kSize = 32;

    /// A key from exactly 32 bytes; nothing for any other length.
    static std::optional<SymmetricKey> fromBytes(std::string_view bytes);
    /// A fresh key from the system's secure random generator; nothing if it fails.
    static std::optional<SymmetricKey> random();

    SymmetricKey(const SymmetricKey&) = default;
    SymmetricKey& operator=(const SymmetricKey&) = default;
    ~SymmetricKey();

    const unsigned char* data() const { return m_bytes.data(); }
    std::string_view bytes() const { return {reinterpret_cast<const char*>(m_bytes.data()), kSize}; }
    friend bool operator==(const SymmetricKey& a, const SymmetricKey& b) { return a.m_bytes == b.m_bytes; }

private:
    SymmetricKey() = default;
    std::array<unsigned char, kSize> m_bytes {};
};

} // namespace tarnwick
