#pragma once

// A tray host that records what the controller asks of it and lets a test play the desktop's part
// (press the item, close the popover by clicking elsewhere).

#include <string>
#include <vector>

#include "tarnwick/helper/statusitemhost.h"

namespace tarnwick::test {

class FakeStatusItemHost final : public StatusItemHost {
public:
    std::vector<std::string> calls;
    StatusItemCallbacks callbacks;
    bool button = true;
    bool popoverShown = false;
    StyledTitle title;
    std::string description;
    TrayPopoverActions actions;
    double capHeight = 9.0;

    void attach(StatusItemCallbacks c) override
    {
        calls.push_back("attach");
        callbacks = std::move(c);
    }
    void remove() override { calls.push_back("remove"); }
    bool hasButton() const override { return button; }
    double titleCapHeight() const override { return capHeight; }
    void setTitle(const StyledTitle& t, const std::string& d) override
    {
        calls.push_back("setTitle");
        title = t;
        description = d;
    }
    void showPopover(TrayModel&, TrayPopoverActions a) override
    {
        calls.push_back("showPopover");
        actions = std::move(a);
        popoverShown = true;
    }
    void closePopover() override
    {
        calls.push_back("closePopover");
        if (popoverShown)
            closeByItself();
    }

    bool isPopoverShown() const override { return popoverShown; }

    /// The popover goes away on its own (a click elsewhere, Escape) and says so.
    void closeByItself()
    {
        popoverShown = false;
        callbacks.popoverWillClose();
        callbacks.popoverDidClose();
    }
    void press() { callbacks.togglePopover(); }
};

} // namespace tarnwick::test
