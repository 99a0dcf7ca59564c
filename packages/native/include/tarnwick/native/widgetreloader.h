#pragma once

// Asks the widget host (tarnwick-widgets) to reload every widget timeline: a D-Bus signal on the
// session bus, path /com/fenmoorlab/tarnwick/widgets, interface com.fenmoorlab.tarnwick.widgets,
// member reloadAllTimelines, no arguments.

namespace tarnwick::native {

class WidgetReloader {
public:
    static constexpr const char* kPath = "/com/fenmoorlab/tarnwick/widgets";
    static constexpr const char* kInterface = "com.fenmoorlab.tarnwick.widgets";
    static constexpr const char* kMember = "reloadAllTimelines";

    /// Sends the signal now; false when there is no session bus to send it on (nothing else is
    /// reported: no widget host listening is not an error). Does not wait for anything.
    static bool reloadAllTimelines();

    WidgetReloader() = delete;
};

} // namespace tarnwick::native
