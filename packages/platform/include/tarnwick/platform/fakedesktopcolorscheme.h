#pragma once

// A desktop whose colour scheme the test sets.

#include "tarnwick/platform/colorscheme.h"

namespace tarnwick {

class FakeDesktopColorScheme final : public DesktopColorScheme {
    Q_OBJECT
public:
    using DesktopColorScheme::DesktopColorScheme;
    ColorScheme scheme() const override { return m_scheme; }
    /// Changes the preference, announcing it when it differs.
    void setScheme(ColorScheme scheme)
    {
        if (scheme == m_scheme)
            return;
        m_scheme = scheme;
        Q_EMIT schemeChanged(scheme);
    }

private:
    ColorScheme m_scheme = ColorScheme::noPreference;
};

} // namespace tarnwick
