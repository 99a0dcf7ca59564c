#pragma once

// How a quick compose hotkey is shown on this desktop. The stored values keep the names the main
// application registers ("Alt+Command+C"); people here read "Ctrl", "Alt", "Shift" and "Super", in that
// order, with the key last.

#include <string>

namespace tarnwick::HotkeyLabel {

/// The label for a stored hotkey value; a value with an unknown modifier, no key or an empty part is
/// shown as it is stored.
std::string text(const std::string& stored);

} // namespace tarnwick::HotkeyLabel
