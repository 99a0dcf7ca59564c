#pragma once

// Qt's menu entries offer assistive technology their text but no description. An action that
// carries the dynamic property kAccessibleDescription (a QString, empty for none) gets an
// accessible entry of ours that reports it, along with everything else a menu entry reports.

namespace tarnwick::ui {

inline constexpr const char* kAccessibleDescription = "accessibleDescription";

/// Makes the above hold for every menu of the process. Idempotent; call once a QApplication exists.
/// Set the property before the entry is first looked at: accessible entries are made once per action.
void installDescribedMenuEntries();

} // namespace tarnwick::ui
