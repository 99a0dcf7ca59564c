#pragma once

// Which of the browsers the main application reports are installed here. A browser's "bundleId" names
// its desktop entry (com.google.Chrome → com.google.Chrome.desktop), looked up through GIO in the XDG
// data directories. Answers are cached for the life of the process. Thread-safe.

#include <functional>
#include <string>
#include <vector>

#include "tarnwick/rpc/value.h"

namespace tarnwick::InstalledBrowsers {

/// Whether an application with this bundle identifier is installed; false for an empty identifier.
/// The system is asked once per identifier.
bool isInstalled(const std::string& bundleId);

/// The browsers whose application is installed, plus the one whose "id" is `keeping`, in the order
/// given.
std::vector<Object> offered(const std::vector<Object>& browsers, const std::string& keeping);

/// Replaces the system lookup and forgets every cached answer (tests). Nothing restores GIO's.
using Locator = std::function<bool(const std::string& bundleId)>;
void setLocator(Locator locator);

} // namespace tarnwick::InstalledBrowsers
