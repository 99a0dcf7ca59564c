#include "tarnwick/share/sharehandoff.h"

namespace tarnwick::sharehandoff {

std::string encodeQueryComponent(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'
            || c == '.' || c == '_' || c == '~' || c == '/';
        if (keep) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0f];
        }
    }
    return out;
}

std::string buildUrl(const std::vector<std::string>& files, const std::optional<std::string>& text,
                     const std::optional<std::string>& url)
{
    std::string query;
    auto add = [&](std::string_view name, std::string_view value) {
        query += query.empty() ? "?" : "&";
        query += encodeQueryComponent(name);
        query += '=';
        query += encodeQueryComponent(value);
    };
    for (const auto& file : files)
        add("files", file);
    if (text)
        add("text", *text);
    if (url)
        add("url", *url);
    return "tarnwick://share" + query;
}

} // namespace tarnwick::sharehandoff
