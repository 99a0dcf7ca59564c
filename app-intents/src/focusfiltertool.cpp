#include "tarnwick/appintents/focusfiltertool.h"

#include <algorithm>
#include <charconv>
#include <fstream>

#include "tarnwick/rpc/json.h"
#include "tarnwick/ui/accountdot.h"

namespace tarnwick {
namespace {

// An id names a file in the image directory only when it cannot point anywhere else.
bool safeFileName(const std::string& id)
{
    return !id.empty() && id != "." && id != ".." && id.find('/') == std::string::npos
        && id.find('\0') == std::string::npos;
}

} // namespace

const char* FocusFilterTool::usage()
{
    return "usage: tarnwick-focus-filter accounts [--id ID]... [--images DIR] [--height PX]\n"
           "       tarnwick-focus-filter describe [--disable-excluded] [ID...]\n"
           "       tarnwick-focus-filter apply [--disable-excluded] [ID...]\n";
}

std::string FocusFilterTool::help()
{
    using F = TarnwickFocusFilter;
    return std::string(usage()) + "\n" + F::kTitle + ": " + F::kDescription + "\n\n"
        + "  accounts             each " + std::string(AccountEntity::kTypeDisplayName)
        + " a filter can keep active, as JSON\n"
        + "  describe             the filter's title and subtitle, then what it keeps active\n"
        + "  apply                keep the given accounts active (none: all accounts)\n"
        + "  ID...                " + F::kAccountsTitle + ": " + F::kAccountsDescription
        + "\n                       Ids that name no account are left out with a warning.\n"
        + "  --disable-excluded   " + F::kDisableExcludedTitle + ": " + F::kDisableExcludedDescription + "\n";
}

FocusFilterTool::FocusFilterTool(TarnwickFocusFilter::Environment environment)
    : m_env(environment), m_query(environment.logger, environment.paths)
{
}

int FocusFilterTool::usageError(std::ostream& err, const std::string& why)
{
    err << "tarnwick-focus-filter: " << why << "\n" << usage();
    return kUsage;
}

int FocusFilterTool::run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return usageError(err, "missing command");
    const std::string& command = args.front();
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "-h" || command == "--help" || command == "help") {
        out << help();
        return kSuccess;
    }
    if (command == "accounts")
        return accounts(rest, out, err);
    if (command == "describe" || command == "apply")
        return describeOrApply(command == "apply", rest, out, err);
    return usageError(err, "unknown command \"" + command + "\"");
}

int FocusFilterTool::accounts(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::optional<std::vector<std::string>> ids;
    std::optional<std::filesystem::path> imageDir;
    int height = AccountDot::kDefaultHeight;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--id" && hasValue) {
            if (!ids)
                ids.emplace();
            ids->push_back(args[++i]);
        } else if (arg == "--images" && hasValue) {
            imageDir = args[++i];
        } else if (arg == "--height" && hasValue) {
            const std::string& text = args[++i];
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), height);
            if (ec != std::errc() || end != text.data() + text.size() || height < 1 || height > 4096)
                return usageError(err, "--height takes a whole number of pixels from 1 to 4096");
        } else {
            return usageError(err, "unexpected argument \"" + arg + "\"");
        }
    }

    const std::vector<AccountEntity> entities = ids ? m_query.entities(*ids) : m_query.allEntities();
    Value::Array list;
    for (const auto& entity : entities)
        list.emplace_back(Value::Object{{"id", entity.id}, {"name", entity.name}, {"colorHex", entity.colorHex}});
    const auto text = json::toString(Value(std::move(list)));
    if (!text) {
        err << "tarnwick-focus-filter: the account list is not valid UTF-8\n";
        return kFailure;
    }

    int status = kSuccess;
    if (imageDir) {
        std::error_code ec;
        std::filesystem::create_directories(*imageDir, ec);
        for (const auto& entity : entities) {
            if (!safeFileName(entity.id)) {
                err << "tarnwick-focus-filter: no image for an account whose id is not a file name\n";
                status = kFailure;
                continue;
            }
            const auto png = AccountDot::png(entity.colorHex, height);
            if (!png)
                continue; // an account without a dot simply has no image
            std::ofstream file(*imageDir / (entity.id + ".png"), std::ios::binary | std::ios::trunc);
            file.write(png->constData(), png->size());
            if (!file) {
                err << "tarnwick-focus-filter: could not write the image of account " << entity.id << "\n";
                status = kFailure;
            }
        }
    }
    out << *text << "\n";
    return status;
}

int FocusFilterTool::describeOrApply(bool apply, const std::vector<std::string>& args, std::ostream& out,
                                     std::ostream& err)
{
    TarnwickFocusFilter filter;
    std::vector<std::string> ids;
    bool optionsEnded = false;
    for (const auto& arg : args) {
        if (!optionsEnded && arg == "--disable-excluded")
            filter.disableExcludedAccounts = true;
        else if (!optionsEnded && arg == "--")
            optionsEnded = true;
        else if (!optionsEnded && arg.size() > 1 && arg[0] == '-')
            return usageError(err, "unknown option \"" + arg + "\"");
        else
            ids.push_back(arg);
    }
    // Like the entity query, ids of accounts that are gone are left out: a saved invocation keeps
    // working when the user removes an account.
    const std::vector<AccountEntity> known = m_query.loadAccounts();
    for (const auto& id : ids) {
        const auto it = std::find_if(known.begin(), known.end(), [&](const AccountEntity& a) { return a.id == id; });
        if (it == known.end()) {
            err << "tarnwick-focus-filter: warning: no account with the id \"" << id << "\"; left out\n";
            m_env.logger.warn("Ignoring an id that names no account");
            continue;
        }
        filter.accounts.push_back(*it);
    }

    if (!apply) {
        using F = TarnwickFocusFilter;
        out << filter.displayTitle() << "\n" << filter.displaySubtitle() << "\n\n"
            << F::kTitle << ": " << F::kDescription << "\n"
            << F::kAccountsTitle << " (" << F::kAccountsDescription << "):";
        if (filter.accounts.empty())
            out << " all\n";
        else
            out << "\n";
        for (const auto& account : filter.accounts)
            out << "  " << account.name << " (" << AccountEntity::kTypeDisplayName << " " << account.id << ")\n";
        out << F::kDisableExcludedTitle << " (" << F::kDisableExcludedDescription
            << "): " << (filter.disableExcludedAccounts ? "on" : "off") << "\n";
        return kSuccess;
    }
    const auto failure = filter.perform(m_env);
    if (!failure)
        return kSuccess;
    if (std::holds_alternative<TarnwickFocusFilterError>(*failure))
        err << TarnwickFocusFilterError::kStateWriteFailedText << "\n";
    else if (const auto* io = std::get_if<std::error_code>(&*failure))
        err << "Failed to write focus-filter.json: " << io->message() << "\n";
    else
        err << "Saved the Focus Filter state but could not announce it: "
            << std::get<FocusFilterPostError>(*failure).reason << "\n";
    return kFailure;
}

} // namespace tarnwick
