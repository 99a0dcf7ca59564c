#pragma once

#include <memory>

#include "tarnwick/native/mousenavigationrecognizer.h"

namespace tarnwick::native {

/// The recogniser's wheel pause timer, run by the event loop of the thread that creates it (the UI
/// thread), so the pause ends on the thread that recognises.
std::unique_ptr<MouseNavigationRecognizer::Timer> makeQtWheelTimer();

} // namespace tarnwick::native
