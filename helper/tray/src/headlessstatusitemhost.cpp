#include "tarnwick/helper/headlessstatusitemhost.h"

namespace tarnwick {

void HeadlessStatusItemHost::attach(StatusItemCallbacks callbacks)
{
    m_callbacks = std::move(callbacks);
    m_attached = true;
}

void HeadlessStatusItemHost::remove()
{
    m_attached = false;
    m_popoverShown = false;
    m_callbacks = {};
}

void HeadlessStatusItemHost::setTitle(const StyledTitle& title, const std::string& accessibilityDescription)
{
    m_title = title;
    m_description = accessibilityDescription;
}

void HeadlessStatusItemHost::showPopover(TrayModel&, TrayPopoverActions)
{
    m_popoverShown = true;
}

void HeadlessStatusItemHost::closePopover()
{
    if (!m_popoverShown)
        return;
    m_popoverShown = false;
    // Like a real popover, closing is reported back.
    if (m_callbacks.popoverWillClose)
        m_callbacks.popoverWillClose();
    if (m_callbacks.popoverDidClose)
        m_callbacks.popoverDidClose();
}

} // namespace tarnwick
