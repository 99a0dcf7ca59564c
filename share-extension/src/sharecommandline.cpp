#include "tarnwick/share/sharecommandline.h"

#include <filesystem>

#include "tarnwick/rpc/asciicase.h"

namespace tarnwick::sharecommandline {
namespace {

bool hasScheme(const std::string& text)
{
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = text[i];
        const bool alpha = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!(alpha || (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))))
            return false;
    }
    return true;
}

} // namespace

const char* usage()
{
    return "usage: tarnwick-share [--text TEXT] [--url URL] [FILE...]\n"
           "Stages the files for Tarnwick and opens tarnwick://share with them, the text and the link.\n";
}

std::variant<std::vector<ShareItem>, Help, UsageError> parse(const std::vector<std::string>& args)
{
    std::vector<ShareItem> files;
    std::vector<ShareItem> texts;
    std::vector<ShareItem> links;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && (arg == "-h" || arg == "--help"))
            return Help{};
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--text" || arg == "--url")) {
            if (i + 1 >= args.size())
                return UsageError{arg + " needs a value"};
            const std::string& value = args[++i];
            if (arg == "--text") {
                texts.push_back({ShareItem::Kind::Text, value});
            } else {
                if (!hasScheme(value))
                    return UsageError{"--url needs an absolute URL"};
                links.push_back({ShareItem::Kind::Link, value});
            }
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return UsageError{"unknown option " + arg};
        } else if (hasScheme(arg) && !ascii::startsWithIgnoringCase(arg, "file:") && !std::filesystem::exists(arg)) {
            links.push_back({ShareItem::Kind::Link, arg});
        } else {
            files.push_back({ShareItem::Kind::File, arg});
        }
    }
    std::vector<ShareItem> items = std::move(files);
    items.insert(items.end(), texts.begin(), texts.end());
    items.insert(items.end(), links.begin(), links.end());
    return items;
}

} // namespace tarnwick::sharecommandline
