#pragma once

// The command line of tarnwick-widgets.
//
//   tarnwick-widgets                                  the desktop window with the four widgets
//   tarnwick-widgets render --kind K [--unread-only] [--snapshot FILE] [--scale N] --out FILE.png
//   tarnwick-widgets timeline --kind K [--unread-only]
//   tarnwick-widgets --help

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "tarnwick/widgets/widgetkind.h"

namespace tarnwick::hostcommandline {

struct Window {};
struct Help {};
struct Render {
    WidgetKind kind;
    bool unreadOnly = false;
    std::optional<std::string> snapshot;
    std::string out;
    double scale = 2.0;
};
struct Timeline {
    WidgetKind kind;
    bool unreadOnly = false;
};
struct Error {
    std::string message;
};

using Command = std::variant<Window, Help, Render, Timeline, Error>;

/// `args` without the program name.
Command parse(const std::vector<std::string>& args);

/// The usage text (ends with a line feed).
std::string usage();

/// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1; ///< the PNG could not be written
inline constexpr int kExitUsage = 2;

} // namespace tarnwick::hostcommandline
