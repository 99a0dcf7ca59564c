#pragma once

// Waiting in tests without sleeping: the event loop runs until a condition holds.

#include <chrono>
#include <functional>

namespace tarnwick::testing {

/// Runs the Qt event loop until `condition` holds; false when `timeout` passed first.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(10));

/// For conditions no event announces (another process's screen, files): checks `condition` every
/// `interval` while the Qt event loop runs; false when `timeout` passed first.
bool pollUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(10),
               std::chrono::milliseconds interval = std::chrono::milliseconds(100));

} // namespace tarnwick::testing
