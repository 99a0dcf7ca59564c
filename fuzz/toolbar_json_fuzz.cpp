// The toolbar's two JSON inputs as the main application sends them (accounts and labels), and
// everything the switcher derives from an accepted text: segment labels, tooltips through label
// formatting, colours. An accepted accounts text must apply to a model without changing anything
// it did not name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tarnwick/native/accountsegmentedcontrol.h"
#include "tarnwick/native/hexcolor.h"
#include "tarnwick/native/toolbarlabels.h"
#include "tarnwick/native/toolbarmodel.h"

using namespace tarnwick::native;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const auto labels = ToolbarLabels::fromJson(text);
    const ToolbarLabels used = labels ? *labels : ToolbarLabels(ToolbarLabels::Map{{"toolbar.account.unread", "{name}{count}{shortcut}"}});
    for (const auto& [key, value] : used.values()) {
        const std::string formatted = used.format(key, {{"name", value}, {"count", "1"}, {"shortcut", ""}});
        (void)formatted;
    }

    const auto update = AccountsUpdate::fromJson(text);
    ToolbarModel model;
    model.activeAccountId = "before";
    const bool accepted = model.update(text);
    if (accepted != update.has_value())
        std::abort();
    if (!accepted)
        return 0;
    if (!update->activeAccountId && model.activeAccountId != "before")
        std::abort();
    int index = 0;
    for (const ToolbarAccount& account : model.accounts) {
        const std::string name = AccountSegmentedControl::displayName(account, used);
        (void)AccountSegmentedControl::segmentText(account, name, true);
        (void)AccountSegmentedControl::toolTip(account, name, index++, true, used);
        const QColor color = HexColor::color(account.color);
        if (!color.isValid() || color.alpha() != 255)
            std::abort();
    }
    return 0;
}
