#pragma once

// The tray item's title beside the glyph (per-account unread dots or counts) and its spoken
// description. The title is a platform-neutral styled text; the tray UI only renders it.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "tarnwick/helper/trayaccount.h"

namespace tarnwick {

/// What the title needs of one tray account.
struct MenuBarAccount {
    std::string name;
    std::string color;
    std::int64_t unreadCount = 0;
    bool needsAuth = false;

    static MenuBarAccount from(const TrayAccount& account);
    friend bool operator==(const MenuBarAccount&, const MenuBarAccount&) = default;
};

/// A styled text: runs of text in the title font and inline images sitting on its baseline.
struct StyledTitle {
    /// Characters in the title font, in a colour given as hex (read like the preferences' colours)
    /// with an alpha.
    struct Text {
        std::string text;
        std::string colorHex;
        double alpha = 1.0;
        friend bool operator==(const Text&, const Text&) = default;
    };
    /// The account dot drawn into an inline image (see AccountDot::image).
    struct Dot {
        std::string colorHex;
        bool filled = false;
        double diameter = 0;
        double ringStroke = 0;
        friend bool operator==(const Dot&, const Dot&) = default;
    };
    /// An inline image of the given size, raised by `baselineOffset` above the baseline. Without a
    /// dot it is an empty drawing: a spacer.
    struct Image {
        double width = 0;
        double height = 0;
        double baselineOffset = 0;
        std::optional<Dot> dot;
        friend bool operator==(const Image&, const Image&) = default;
    };
    using Segment = std::variant<Text, Image>;

    std::vector<Segment> segments;

    bool empty() const { return segments.empty(); }
    /// The text runs joined, images left out.
    std::string plainText() const;
    friend bool operator==(const StyledTitle&, const StyledTitle&) = default;
};

namespace MenuBarTitle {

/// The title font: the system font with monospaced digits, regular weight, at this size.
inline constexpr double kFontPointSize = 12.0;
/// Every inline image in the title is this high.
inline constexpr double kImageHeight = 6.0;
/// U+2007 FIGURE SPACE, as wide as a digit in the title font.
inline constexpr const char* kFigureSpace = "\xE2\x80\x87";

/// How far an inline image is raised so that it centres on the capital letters of a font with
/// `capHeight` (points).
double imageBaselineOffset(double capHeight);

/// One dot per account: filled in the account colour when it has unread mail and needs no sign-in,
/// a ring otherwise; a 3-point spacer first and 1.5-point spacers between dots.
StyledTitle dots(const std::vector<MenuBarAccount>& accounts, double capHeight);
/// One count per account, at least two digit cells wide, faded when zero (or when the account needs
/// sign-in), each followed by a 3-point spacer.
StyledTitle numbers(const std::vector<MenuBarAccount>& accounts, double capHeight);
/// "Tarnwick, Work 3 unread, Old needs sign-in" and the like.
std::string accessibilityDescription(const std::vector<MenuBarAccount>& accounts);

} // namespace MenuBarTitle

} // namespace tarnwick
