#pragma once

#include "tarnwick/rpc/value.h"
#include "tarnwick/widgets/cacheprovider.h"

namespace tarnwick {

/// The printed form of a timeline: the kind, its family, the configuration of the thread-list kinds,
/// the entries (date and snapshot) and the refresh time. Dates are ISO 8601 in UTC with milliseconds.
Value timelineToValue(WidgetKind kind, const WidgetThreadFilterIntent& configuration, const Timeline& timeline);

} // namespace tarnwick
