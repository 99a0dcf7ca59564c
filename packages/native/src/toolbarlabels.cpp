#include "tarnwick/native/toolbarlabels.h"

#include "tarnwick/rpc/json.h"
#include "toolbarlog_p.h"

namespace tarnwick::native {

std::string ToolbarLabels::operator[](std::string_view key) const
{
    const auto it = m_values.find(key);
    return it == m_values.end() ? std::string() : it->second;
}

std::string ToolbarLabels::format(std::string_view key, const Placeholders& values) const
{
    const auto it = m_values.find(key);
    if (it == m_values.end())
        return {};
    const std::string& text = it->second;
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '{') {
            const std::size_t close = text.find('}', i + 1);
            if (close != std::string::npos) {
                const std::string_view name(text.data() + i + 1, close - i - 1);
                if (const auto value = values.find(name); value != values.end()) {
                    out += value->second;
                    i = close + 1;
                    continue;
                }
            }
        }
        out += text[i];
        ++i;
    }
    return out;
}

std::optional<ToolbarLabels> ToolbarLabels::fromJson(std::string_view json)
{
    const auto parsed = tarnwick::json::parse(json);
    if (!parsed) {
        toolbarLog("labels rejected: not JSON");
        return std::nullopt;
    }
    const Value::Object* top = parsed->object();
    if (!top) {
        toolbarLog("labels rejected: not an object");
        return std::nullopt;
    }
    const auto labels = top->find("labels");
    const Value::Object* members = labels == top->end() ? nullptr : labels->second.object();
    if (!members) {
        toolbarLog("labels rejected: no \"labels\" object");
        return std::nullopt;
    }
    Map values;
    for (const auto& [key, value] : *members) {
        const std::string* text = value.string();
        if (!text) {
            toolbarLog("labels rejected: \"" + key + "\" is not a string");
            return std::nullopt;
        }
        values.emplace(key, *text);
    }
    return ToolbarLabels(std::move(values));
}

} // namespace tarnwick::native
