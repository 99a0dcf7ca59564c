#include "tarnwick/helper/hotkeylabel.h"

#include <array>
#include <string_view>
#include <vector>

namespace tarnwick::HotkeyLabel {

namespace {

struct Modifier {
    std::string_view stored;
    std::string_view shown;
};

// In the order the label lists them. Command sits where Super does on a PC keyboard.
constexpr std::array<Modifier, 4> kModifiers = {{
    {"Control", "Ctrl"},
    {"Alt", "Alt"},
    {"Shift", "Shift"},
    {"Command", "Super"},
}};

std::vector<std::string_view> split(std::string_view text)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t plus = text.find('+'); plus != std::string_view::npos; plus = text.find('+', start)) {
        parts.push_back(text.substr(start, plus - start));
        start = plus + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

} // namespace

std::string text(const std::string& stored)
{
    const std::vector<std::string_view> parts = split(stored);
    if (parts.size() < 2 || parts.back().empty())
        return stored;
    std::array<bool, kModifiers.size()> held{};
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        bool known = false;
        for (std::size_t m = 0; m < kModifiers.size(); ++m)
            if (parts[i] == kModifiers[m].stored) {
                held[m] = known = true;
            }
        if (!known)
            return stored;
    }
    std::string label;
    for (std::size_t m = 0; m < kModifiers.size(); ++m)
        if (held[m]) {
            label += kModifiers[m].shown;
            label += '+';
        }
    return label += parts.back();
}

} // namespace tarnwick::HotkeyLabel
