#pragma once

// Checks of what the script hands the toolbar functions. The library absorbs malformed accounts,
// labels and item ids without a word to its caller; these checks give the main application's
// developer a log line naming the mistake, at the call that made it. The input is passed on
// unchanged either way.

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick::addon::toolbarinput {

/// Why the accounts JSON will be ignored in whole or in part, or nothing when it is taken whole.
std::optional<std::string> accountsProblem(std::string_view json);

/// Why the labels JSON will be ignored, or nothing when it replaces the labels.
std::optional<std::string> labelsProblem(std::string_view json);

/// Why `setItemEnabled` with this id reaches no item, or nothing for a known item id.
std::optional<std::string> itemProblem(std::string_view itemId);

} // namespace tarnwick::addon::toolbarinput
