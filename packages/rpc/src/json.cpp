#include "tarnwick/rpc/json.h"

#include <charconv>
#include <cmath>
#include <vector>

#include <nlohmann/json.hpp>

#include "tarnwick/rpc/asciihex.h"

namespace tarnwick::json {
namespace {

using nlohmann::json;

// Builds a Value tree from SAX callbacks. Containers under construction are tracked by pointer:
// a parent never grows while one of its children is open, so the pointers stay valid.
class ValueBuilder {
public:
    bool null() { return insert(Value(Null{})); }
    bool boolean(bool b) { return insert(Value(b)); }
    bool number_integer(json::number_integer_t i) { return insert(Value(static_cast<std::int64_t>(i))); }
    bool number_unsigned(json::number_unsigned_t u)
    {
        if (u <= static_cast<json::number_unsigned_t>(INT64_MAX))
            return insert(Value(static_cast<std::int64_t>(u)));
        return insert(Value(static_cast<double>(u)));
    }
    bool number_float(json::number_float_t d, const json::string_t&) { return insert(Value(static_cast<double>(d))); }
    bool string(json::string_t& s) { return insert(Value(std::move(s))); }
    bool binary(json::binary_t&) { return false; }
    bool start_object(std::size_t) { return open(Value(Object{})); }
    bool key(json::string_t& k)
    {
        m_key = std::move(k);
        return true;
    }
    bool end_object() { return close(); }
    bool start_array(std::size_t) { return open(Value(Array{})); }
    bool end_array() { return close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

    std::optional<Value> take() { return m_done ? std::optional<Value>(std::move(m_root)) : std::nullopt; }

private:
    Value* place(Value v)
    {
        if (m_open.empty()) {
            m_root = std::move(v);
            return &m_root;
        }
        Value* parent = m_open.back();
        if (Array* a = parent->array()) {
            a->push_back(std::move(v));
            return &a->back();
        }
        Object* o = parent->object();
        auto [it, inserted] = o->insert_or_assign(std::move(m_key), std::move(v));
        return &it->second;
    }
    bool insert(Value v)
    {
        place(std::move(v));
        if (m_open.empty())
            m_done = true;
        return true;
    }
    bool open(Value container)
    {
        if (static_cast<int>(m_open.size()) >= kMaxDepth)
            return false;
        m_open.push_back(place(std::move(container)));
        return true;
    }
    bool close()
    {
        m_open.pop_back();
        if (m_open.empty())
            m_done = true;
        return true;
    }

    Value m_root;
    std::vector<Value*> m_open;
    std::string m_key;
    bool m_done = false;
};

// Length of the UTF-8 sequence starting at s[i], or 0 when it is malformed (overlong forms,
// surrogates and code points above U+10FFFF included).
std::size_t utf8SequenceLength(std::string_view s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    std::size_t len;
    std::uint32_t cp;
    if (c < 0x80)
        return 1;
    if ((c & 0xE0) == 0xC0) {
        len = 2;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr std::uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

bool writeString(std::string_view s, std::string& out)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out.push_back('"');
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 0x80) {
            const std::size_t len = utf8SequenceLength(s, i);
            if (len == 0)
                return false;
            out.append(s.substr(i, len));
            i += len;
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out.push_back(kHex[c >> 4]);
                out.push_back(kHex[c & 0xF]);
            } else {
                out.push_back(static_cast<char>(c));
            }
        }
        ++i;
    }
    out.push_back('"');
    return true;
}

bool writeDouble(double d, std::string& out)
{
    if (!std::isfinite(d))
        return false;
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d);
    std::string_view text(buf, static_cast<std::size_t>(end - buf));
    out.append(text);
    // Keep the kind on the way back: 2.0 must not read back as the integer 2.
    if (text.find_first_of(".e") == std::string_view::npos)
        out += ".0";
    return true;
}

struct Writer {
    std::string& out;
    int indent; // < 0: compact
    int depth = 0;

    void newline()
    {
        if (indent < 0)
            return;
        out.push_back('\n');
        out.append(static_cast<std::size_t>(indent * depth), ' ');
    }

    bool operator()(const Value& v)
    {
        switch (v.kind()) {
        case Value::Kind::Null:
        case Value::Kind::Foreign: out += "null"; return true;
        case Value::Kind::Bool: out += *v.boolean() ? "true" : "false"; return true;
        case Value::Kind::Integer: {
            char buf[24];
            auto [end, ec] = std::to_chars(buf, buf + sizeof buf, *v.integer());
            out.append(buf, end);
            return true;
        }
        case Value::Kind::Double: return writeDouble(*v.floating(), out);
        case Value::Kind::String: return writeString(*v.string(), out);
        case Value::Kind::Array: {
            const Array& a = *v.array();
            out.push_back('[');
            ++depth;
            bool first = true;
            for (const Value& e : a) {
                if (!first)
                    out.push_back(',');
                first = false;
                newline();
                if (!(*this)(e))
                    return false;
            }
            --depth;
            if (!a.empty())
                newline();
            out.push_back(']');
            return true;
        }
        case Value::Kind::Object: {
            const Object& o = *v.object();
            out.push_back('{');
            ++depth;
            bool first = true;
            for (const auto& [key, member] : o) {
                if (!first)
                    out.push_back(',');
                first = false;
                newline();
                if (!writeString(key, out))
                    return false;
                out += indent < 0 ? ":" : " : ";
                if (!(*this)(member))
                    return false;
            }
            --depth;
            if (!o.empty())
                newline();
            out.push_back('}');
            return true;
        }
        }
        return false;
    }
};

// The code unit of a \uXXXX escape starting at text[i] (the backslash), or -1.
int escapedUnit(std::string_view text, std::size_t i)
{
    if (i + 6 > text.size() || text[i] != '\\' || text[i + 1] != 'u')
        return -1;
    int unit = 0;
    for (std::size_t k = i + 2; k < i + 6; ++k) {
        const int d = ascii::hexDigit(text[k]);
        if (d < 0)
            return -1;
        unit = unit * 16 + d;
    }
    return unit;
}

} // namespace

std::optional<std::string> withLoneSurrogatesReplaced(std::string_view text)
{
    std::optional<std::string> out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '\\') {
            ++i;
            continue;
        }
        const int unit = escapedUnit(text, i);
        if (unit < 0xD800 || unit > 0xDFFF) {
            i += 2; // any other escape, "\\" included, is skipped whole
            continue;
        }
        if (unit <= 0xDBFF) {
            const int low = escapedUnit(text, i + 6);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                i += 12; // a proper pair
                continue;
            }
        }
        if (!out)
            out.emplace(text);
        out->replace(i, 6, "\\ufffd"); // same length, so positions stay valid
        i += 6;
    }
    return out;
}

std::optional<Value> parse(std::string_view text)
{
    ValueBuilder builder;
    const bool ok = json::sax_parse(text.begin(), text.end(), &builder, json::input_format_t::json, true, false);
    if (!ok)
        return std::nullopt;
    return builder.take();
}

bool write(const Value& value, std::string& out)
{
    return Writer{out, -1}(value);
}

std::optional<std::string> toString(const Value& value)
{
    std::string out;
    if (!write(value, out))
        return std::nullopt;
    return out;
}

std::optional<std::string> toPrettyString(const Value& value)
{
    std::string out;
    if (!Writer{out, 2}(value))
        return std::nullopt;
    return out;
}

} // namespace tarnwick::json
