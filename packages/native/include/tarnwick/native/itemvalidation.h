#pragma once

// Which toolbar items are enabled, by item identifier. Process-wide, so it survives detaching and
// re-attaching; items re-read it whenever they are validated. UI thread only.

#include <map>
#include <string>
#include <string_view>

namespace tarnwick::native {

class ItemValidation {
public:
    static ItemValidation& shared();

    void set(std::string_view id, bool enabled);
    /// Stores `enabled` only when `id` has no entry yet.
    void setDefault(std::string_view id, bool enabled);
    /// The stored value; true when there is none.
    bool isEnabled(std::string_view id) const;

    /// Forgets every entry (tests).
    void reset() { m_enabled.clear(); }

private:
    std::map<std::string, bool, std::less<>> m_enabled;
};

} // namespace tarnwick::native
