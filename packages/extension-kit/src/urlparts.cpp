#include "urlparts_p.h"

#include "tarnwick/rpc/asciicase.h"
#include "tarnwick/rpc/asciihex.h"

#include <cstring>

namespace tarnwick::urlparts {
namespace {

bool isAlpha(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool allowed(char c)
{
    return isAlpha(c) || isDigit(c) || (c != '\0' && std::strchr("-._~:/?#[]@!$&'()*+,;=", c) != nullptr);
}

} // namespace

std::optional<Parts> parse(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%') {
            if (ascii::hexByte(text.substr(i + 1, 2)) < 0)
                return std::nullopt;
            i += 2;
        } else if (!allowed(text[i])) {
            return std::nullopt;
        }
    }

    Parts parts;
    std::string_view rest = text;
    if (const auto fragmentAt = rest.find('#'); fragmentAt != std::string_view::npos) {
        parts.fragment = std::string(rest.substr(fragmentAt + 1));
        rest = rest.substr(0, fragmentAt);
    }
    if (const auto queryAt = rest.find('?'); queryAt != std::string_view::npos) {
        parts.query = std::string(rest.substr(queryAt + 1));
        rest = rest.substr(0, queryAt);
    }
    if (!rest.empty() && isAlpha(rest[0])) {
        std::size_t i = 1;
        while (i < rest.size() && (isAlpha(rest[i]) || isDigit(rest[i]) || rest[i] == '+' || rest[i] == '-' || rest[i] == '.'))
            ++i;
        if (i < rest.size() && rest[i] == ':') {
            parts.scheme = std::string(rest.substr(0, i));
            rest = rest.substr(i + 1);
        }
    }
    if (rest.substr(0, 2) == "//") {
        rest = rest.substr(2);
        const auto pathAt = rest.find('/');
        std::string_view authority = rest.substr(0, pathAt);
        rest = pathAt == std::string_view::npos ? std::string_view() : rest.substr(pathAt);
        if (const auto at = authority.rfind('@'); at != std::string_view::npos)
            authority = authority.substr(at + 1);
        std::string_view host = authority;
        std::string_view port;
        if (!authority.empty() && authority[0] == '[') {
            const auto close = authority.find(']');
            if (close == std::string_view::npos)
                return std::nullopt;
            host = authority.substr(0, close + 1);
            const std::string_view after = authority.substr(close + 1);
            if (!after.empty()) {
                if (after[0] != ':')
                    return std::nullopt;
                port = after.substr(1);
            }
        } else if (const auto colon = authority.rfind(':'); colon != std::string_view::npos) {
            host = authority.substr(0, colon);
            port = authority.substr(colon + 1);
        }
        for (char c : port)
            if (!isDigit(c))
                return std::nullopt;
        if (host.find_first_of("[]") != std::string_view::npos && !(host.size() > 1 && host.front() == '['))
            return std::nullopt;
        parts.host = std::string(host);
    }
    parts.path = std::string(rest);
    return parts;
}

std::string percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int byte = text[i] == '%' ? ascii::hexByte(text.substr(i + 1, 2)) : -1;
        if (byte >= 0) {
            out += static_cast<char>(byte);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string lower(std::string_view text)
{
    return ascii::toLower(text);
}

} // namespace tarnwick::urlparts
