#include "tarnwick/widgets/widgetkind.h"

namespace tarnwick::widgetkind {

const WidgetKindInfo& info(WidgetKind kind)
{
    return allKinds[static_cast<std::size_t>(kind)];
}

std::optional<WidgetKind> fromShortName(std::string_view name)
{
    for (const WidgetKindInfo& k : allKinds)
        if (k.shortName == name)
            return k.kind;
    return std::nullopt;
}

std::string_view familyName(WidgetFamily family)
{
    switch (family) {
    case WidgetFamily::small: return "small";
    case WidgetFamily::medium: return "medium";
    case WidgetFamily::large: return "large";
    }
    return "small";
}

} // namespace tarnwick::widgetkind
