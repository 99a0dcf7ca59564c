#include "tarnwick/rpc/logredaction.h"

#include <cstdio>

namespace tarnwick {

namespace {

// Bytes of UTF-8 sequences count as letters: addresses may be internationalized ("jö@bücher.de"),
// and they are no less personal.
bool isNonAscii(char c)
{
    return static_cast<unsigned char>(c) >= 0x80;
}

bool isLocal(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_'
        || c == '%' || c == '+' || c == '-' || isNonAscii(c);
}

bool isDomain(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-'
        || isNonAscii(c);
}

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || isNonAscii(c);
}

// The end of an address whose "@" is at `at`, or npos. Mirrors the backtracking of
// [A-Za-z0-9.-]+\.[A-Za-z]{2,}: the domain run is as long as possible, the last "." in it that has
// at least two letters after it ends the first part, and the letters after that dot are all taken.
std::size_t addressEnd(std::string_view text, std::size_t at)
{
    std::size_t runEnd = at + 1;
    while (runEnd < text.size() && isDomain(text[runEnd]))
        ++runEnd;
    for (std::size_t dot = runEnd; dot-- > at + 2;) {
        if (text[dot] != '.')
            continue;
        std::size_t end = dot + 1;
        while (end < text.size() && isLetter(text[end]))
            ++end;
        if (end - dot - 1 >= 2)
            return end;
    }
    return std::string_view::npos;
}

} // namespace

std::string redactEmailAddresses(std::string_view text)
{
    std::string out;
    std::size_t copied = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (!isLocal(text[i])) {
            ++i;
            continue;
        }
        // Every start inside one run of local-part characters meets the same "@" (or none), so the
        // whole run is one candidate; the leftmost start wins.
        std::size_t runEnd = i;
        while (runEnd < text.size() && isLocal(text[runEnd]))
            ++runEnd;
        if (runEnd < text.size() && text[runEnd] == '@') {
            const std::size_t end = addressEnd(text, runEnd);
            if (end != std::string_view::npos) {
                out.append(text.substr(copied, i - copied));
                out += "<email>";
                copied = i = end;
                continue;
            }
        }
        i = runEnd;
    }
    if (copied == 0)
        return std::string(text);
    out.append(text.substr(copied));
    return out;
}

std::string escapeControlCharacters(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            out += escaped;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string boundForLog(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return std::string(text);
    std::size_t cut = maxBytes;
    // Back up over continuation bytes, so no character is split.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(text.substr(0, cut)) + "\xE2\x80\xA6";
}

} // namespace tarnwick
