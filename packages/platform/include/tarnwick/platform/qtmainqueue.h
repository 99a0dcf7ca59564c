#pragma once

#include "tarnwick/rpc/mainqueue.h"

namespace tarnwick {

/// The main queue of a Qt program: tasks run as queued invocations on the application object, in
/// posting order, on the thread running QCoreApplication::exec().
class QtMainQueue final : public MainQueue {
public:
    void post(Task task) override;
};

} // namespace tarnwick
