#include "tarnwick/widgets/hostcommandline.h"

#include <charconv>

namespace tarnwick::hostcommandline {

std::string usage()
{
    return "usage: tarnwick-widgets\n"
           "       tarnwick-widgets render --kind KIND [--unread-only] [--snapshot FILE] [--scale N] --out FILE.png\n"
           "       tarnwick-widgets timeline --kind KIND [--unread-only]\n"
           "KIND is unread, quickactions, recents or dashboard; --unread-only applies to recents and dashboard.\n"
           "--scale is the pixels per point of the PNG, 1 to 4 (default 2).\n";
}

namespace {

Error error(std::string message)
{
    return Error{std::move(message)};
}

} // namespace

Command parse(const std::vector<std::string>& args)
{
    if (args.empty())
        return Window{};
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h"))
        return Help{};
    const std::string& verb = args[0];
    if (verb != "render" && verb != "timeline")
        return error("unknown command: " + verb);
    const bool render = verb == "render";

    std::optional<WidgetKind> kind;
    bool unreadOnly = false;
    std::optional<std::string> snapshot, out;
    double scale = 2.0;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return std::nullopt;
            return args[++i];
        };
        if (a == "--kind") {
            const auto v = value();
            if (!v)
                return error("--kind needs a value");
            kind = widgetkind::fromShortName(*v);
            if (!kind)
                return error("unknown kind: " + *v);
        } else if (a == "--unread-only") {
            unreadOnly = true;
        } else if (render && a == "--snapshot") {
            snapshot = value();
            if (!snapshot)
                return error("--snapshot needs a file");
        } else if (render && a == "--out") {
            out = value();
            if (!out)
                return error("--out needs a file");
        } else if (render && a == "--scale") {
            const auto v = value();
            if (!v)
                return error("--scale needs a number");
            const auto [ptr, ec] = std::from_chars(v->data(), v->data() + v->size(), scale);
            if (ec != std::errc() || ptr != v->data() + v->size() || !(scale >= 1.0 && scale <= 4.0))
                return error("--scale must be a number from 1 to 4");
        } else {
            return error("unexpected argument: " + a);
        }
    }
    if (!kind)
        return error("--kind is required");
    if (unreadOnly && !widgetkind::info(*kind).configurable)
        return error("--unread-only applies to recents and dashboard only");
    if (!render)
        return Timeline{*kind, unreadOnly};
    if (!out)
        return error("--out is required");
    return Render{*kind, unreadOnly, snapshot, *out, scale};
}

} // namespace tarnwick::hostcommandline
