#pragma once

// Case folding for protocol words (mail categories, pane names, URL schemes): ASCII letters only,
// whatever the process locale says. The C library's tolower follows LC_CTYPE, which Qt sets from the
// environment, and under tr_TR "I" does not become "i".

#include <string>
#include <string_view>

namespace tarnwick::ascii {

constexpr char toLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string toLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = toLower(c);
    return out;
}

/// Equal when only the case of ASCII letters differs.
constexpr bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (toLower(a[i]) != toLower(b[i]))
            return false;
    return true;
}

/// `text` begins with `prefix`, ignoring the case of ASCII letters.
constexpr bool startsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

} // namespace tarnwick::ascii
