#pragma once

// Factories for the toolbar's items: buttons that raise an action, groups of such buttons shown side
// by side, and the search field. UI thread only.

#include <vector>

#include <QString>

#include "tarnwick/native/toolbaritem.h"

namespace tarnwick::native {

class ToolbarBuilder {
public:
    struct Member {
        QString symbol;
        QString label;
        QString action;
    };

    /// A validated, bordered button whose label and tooltip are `label`; a click raises (action, "").
    /// A button that needs a message starts disabled unless the registry already enables it.
    static ValidatedToolbarItem* makeButton(const QString& identifier, const QString& symbol, const QString& label,
                                            const QString& action, bool needsMessage);
    /// A plain group of buttons side by side; each member's action is its identifier. The group's
    /// image is its first member's.
    static ToolbarItem* makeGroup(const QString& identifier, const QString& label, bool needsMessage,
                                  const std::vector<Member>& members);
    /// A search field with `placeholder`, handled by SearchDelegate.
    static ToolbarItem* makeSearchItem(const QString& identifier, const QString& placeholder);

    ToolbarBuilder() = delete;
};

} // namespace tarnwick::native
