#pragma once

#include "tarnwick/helper/statusitemhost.h"

namespace tarnwick {

/// A tray item that is kept in memory only: the host the helper uses while no tray UI is available.
/// It remembers what it was told (title, description, whether a popover is open) so that every rule of
/// the controller still runs.
class HeadlessStatusItemHost final : public StatusItemHost {
public:
    void attach(StatusItemCallbacks callbacks) override;
    void remove() override;
    bool hasButton() const override { return m_attached; }
    /// A typical 12-point sans-serif cap height.
    double titleCapHeight() const override { return 8.6; }
    void setTitle(const StyledTitle& title, const std::string& accessibilityDescription) override;
    void showPopover(TrayModel& model, TrayPopoverActions actions) override;
    void closePopover() override;
    bool isPopoverShown() const override { return m_popoverShown; }

    const StyledTitle& title() const { return m_title; }
    const std::string& accessibilityDescription() const { return m_description; }

private:
    StatusItemCallbacks m_callbacks;
    bool m_attached = false;
    bool m_popoverShown = false;
    StyledTitle m_title;
    std::string m_description;
};

} // namespace tarnwick
