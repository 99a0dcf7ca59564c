#include "tarnwick/share/sharerequest.h"

#include <QString>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <cctype>

#include "tarnwick/rpc/asciicase.h"
#include "tarnwick/rpc/asciihex.h"
#include "tarnwick/share/sharehandoff.h"

namespace tarnwick {

namespace {

// What the log may say of a staged file's type: a short extension of letters and digits (".pdf").
// Anything else after a dot is part of the name ("Dr. Jones - biopsy result") and is not logged.
std::string loggableExtension(const std::filesystem::path& file)
{
    const std::string extension = file.extension().string();
    if (extension.empty())
        return "no extension";
    constexpr std::size_t kLongest = 10;
    const bool plain = extension.size() <= kLongest + 1 &&
                       std::all_of(extension.begin() + 1, extension.end(), [](unsigned char c) { return std::isalnum(c); });
    return plain ? extension : "unusual extension";
}

} // namespace

ShareRequest::ShareRequest(const SystemPaths& paths, ExtensionLogger& logger, UriLauncher& launcher,
                           ShareStaging::Limits limits)
    : m_paths(paths), m_logger(logger), m_launcher(launcher), m_limits(limits)
{
}

std::optional<std::string> ShareRequest::localPath(const std::string& item)
{
    if (item.empty())
        return std::nullopt;
    if (!ascii::startsWithIgnoringCase(item, "file:"))
        return item;
    std::string_view rest = std::string_view(item).substr(5);
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        const auto slash = rest.find('/');
        if (slash == std::string_view::npos)
            return std::nullopt;
        const std::string_view host = rest.substr(0, slash);
        if (!host.empty() && !ascii::equalsIgnoringCase(host, "localhost"))
            return std::nullopt; // another machine's file
        rest.remove_prefix(slash);
    }
    if (rest.empty() || rest.front() != '/')
        return std::nullopt;
    rest = rest.substr(0, rest.find_first_of("?#"));
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path += rest[i];
            continue;
        }
        const int decoded = ascii::hexByte(rest.substr(i + 1, 2));
        if (decoded <= 0) // not an escape, or an escaped NUL
            return std::nullopt;
        path += static_cast<char>(decoded);
        i += 2;
    }
    return path;
}

std::size_t ShareRequest::characterCount(const std::string& text)
{
    const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, string);
    std::size_t count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

ShareRequest::Outcome ShareRequest::run(const std::vector<ShareItem>& items)
{
    m_files.clear();
    m_handoffUrl.clear();
    m_logger.info("viewDidLoad");
    if (items.empty()) {
        m_logger.info("No input items provided");
        m_logger.info("Completing extension request");
        return Outcome::NothingShared;
    }
    m_logger.info("Processing " + std::to_string(items.size()) + " shared item(s)");
    ShareStaging staging(m_paths, m_limits);
    std::optional<std::string> text;
    std::optional<std::string> url;

    // The URL can only get shorter than planned (files that fail are left out), so a share whose
    // planned URL fits is never refused later, and one that does not fit is refused before a copy.
    std::vector<std::filesystem::path> sources;
    std::optional<std::string> plannedText;
    std::optional<std::string> plannedUrl;
    for (const auto& item : items) {
        if (item.kind == ShareItem::Kind::File) {
            if (const auto path = localPath(item.value))
                sources.emplace_back(*path);
        } else {
            (item.kind == ShareItem::Kind::Text ? plannedText : plannedUrl) = item.value;
        }
    }
    std::vector<std::string> plannedFiles;
    for (const auto& path : staging.plan(sources))
        plannedFiles.push_back(path.string());
    const std::size_t plannedLength = sharehandoff::buildUrl(plannedFiles, plannedText, plannedUrl).size();
    if (plannedLength > kMaxHandoffUrlBytes) {
        staging.discardIfEmpty();
        m_logger.error("Share too large to hand over: the tarnwick://share URL would be " + std::to_string(plannedLength)
                       + " bytes (" + std::to_string(plannedFiles.size()) + " files), over the limit of "
                       + std::to_string(kMaxHandoffUrlBytes) + "; nothing was staged");
        m_logger.info("Completing extension request");
        return Outcome::TooLarge;
    }

    for (const auto& item : items) {
        switch (item.kind) {
        case ShareItem::Kind::File: {
            const auto path = localPath(item.value);
            if (!path) {
                m_logger.warn("Failed to interpret item data as URL");
                break;
            }
            std::error_code error;
            const auto staged = staging.stage(*path, error);
            if (!staged) {
                m_logger.error("Failed to copy file to share dir: " + staging.describe(error));
                break;
            }
            if (staged->alreadyStaged)
                break; // the same file shared twice arrives once
            if (staged->skippedLinks > 0)
                m_logger.warn("Left out " + std::to_string(staged->skippedLinks)
                              + " symbolic link(s) in a shared folder; links are not followed");
            if (staged->skippedSpecial > 0)
                m_logger.warn("Left out " + std::to_string(staged->skippedSpecial)
                              + " device(s), socket(s) or pipe(s) in a shared folder");
            if (staged->permissionError)
                m_logger.error("Could not restrict the staged file to its owner: " + staged->permissionError->message());
            m_files.push_back(staged->path.string());
            m_logger.info("Successfully staged file: " + loggableExtension(staged->path) + ", "
                          + std::to_string(staged->size) + " bytes");
            break;
        }
        case ShareItem::Kind::Link:
            url = item.value;
            m_logger.info("Received URL: " + m_logger.redactUrl(item.value));
            break;
        case ShareItem::Kind::Text:
            text = item.value;
            m_logger.info("Received text (" + std::to_string(characterCount(item.value)) + " characters)");
            break;
        }
    }

    m_handoffUrl = sharehandoff::buildUrl(m_files, text, url);
    m_logger.info("Opening Tarnwick URL: " + m_logger.redactUrl(m_handoffUrl) + " (files: " + std::to_string(m_files.size())
                  + ", hasText: " + (text ? "true" : "false") + ", hasUrl: " + (url ? "true" : "false") + ")");
    const auto failure = m_launcher.open(m_handoffUrl);
    if (failure)
        m_logger.error("NSWorkspace.shared.open failed: " + *failure);
    else
        m_logger.info("NSWorkspace.shared.open succeeded");
    m_logger.info("Completing extension request");
    return failure ? Outcome::OpenFailed : Outcome::Opened;
}

} // namespace tarnwick
