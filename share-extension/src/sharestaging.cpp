#include "tarnwick/share/sharestaging.h"

#include <cerrno>
#include <openssl/rand.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "treecopy_p.h"

namespace tarnwick {
namespace {

void makePrivateDirectories(const std::filesystem::path& dir)
{
    std::filesystem::path built;
    for (const auto& part : dir) {
        built /= part;
        if (::mkdir(built.c_str(), 0700) != 0 && errno != EEXIST)
            return;
    }
    // An existing final directory (the UUID makes that unlikely) is made owner-only too.
    ::chmod(dir.c_str(), 0700);
}

} // namespace

std::string ShareStaging::newUuid()
{
    unsigned char b[16];
    if (RAND_bytes(b, sizeof b) != 1) {
        std::random_device device;
        for (auto& byte : b)
            byte = static_cast<unsigned char>(device());
    }
    b[6] = static_cast<unsigned char>((b[6] & 0x0f) | 0x40);
    b[8] = static_cast<unsigned char>((b[8] & 0x3f) | 0x80);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out += '-';
        out += kHex[b[i] >> 4];
        out += kHex[b[i] & 0x0f];
    }
    return out;
}

ShareStaging::ShareStaging(const SystemPaths& paths, Limits limits) : m_limits(limits)
{
    if (auto container = paths.appGroupContainer())
        m_directory = *container / "SharedFiles" / newUuid();
    else
        m_directory = paths.temporaryDirectory() / ("TarnwickShare-" + newUuid());
    makePrivateDirectories(m_directory);
}

std::string ShareStaging::numberedName(const std::filesystem::path& name, int n)
{
    return name.stem().string() + " " + std::to_string(n) + name.extension().string();
}

std::optional<std::filesystem::path> ShareStaging::sourceKey(const std::filesystem::path& source,
                                                             std::error_code& error) const
{
    namespace fs = std::filesystem;
    error.clear();
    const fs::path absolute = fs::absolute(source, error);
    if (error)
        return std::nullopt;
    fs::path key = fs::weakly_canonical(absolute, error);
    if (error) {
        error.clear();
        key = absolute.lexically_normal();
    }
    if (key.filename().empty()) {
        error = std::make_error_code(std::errc::invalid_argument);
        return std::nullopt;
    }
    return key;
}

std::filesystem::path ShareStaging::destinationFor(const std::filesystem::path& name,
                                                   const std::map<std::string, std::filesystem::path>& taken) const
{
    std::filesystem::path destination = m_directory / name;
    for (int n = 2; taken.count(destination.filename().string()); ++n)
        destination = m_directory / numberedName(name, n);
    return destination;
}

std::vector<std::filesystem::path> ShareStaging::plan(const std::vector<std::filesystem::path>& sources) const
{
    std::vector<std::filesystem::path> planned;
    auto taken = m_sourceByName;
    auto seen = m_stagedBySource;
    for (const auto& source : sources) {
        std::error_code error;
        const auto key = sourceKey(source, error);
        if (!key)
            continue;
        if (const auto it = seen.find(*key); it != seen.end())
            continue;
        const auto destination = destinationFor(key->filename(), taken);
        taken.emplace(destination.filename().string(), *key);
        seen.emplace(*key, destination);
        planned.push_back(destination);
    }
    return planned;
}

namespace {

// Whether `inner` is `outer` or lies somewhere below it.
bool within(const std::filesystem::path& inner, const std::filesystem::path& outer)
{
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
        if (o->empty() && std::next(o) == outer.end())
            break; // a trailing separator
        if (i == inner.end() || *i != *o)
            return false;
    }
    return true;
}

} // namespace

std::optional<ShareStaging::Staged> ShareStaging::stage(const std::filesystem::path& source, std::error_code& error)
{
    namespace fs = std::filesystem;
    const auto key = sourceKey(source, error);
    if (!key)
        return std::nullopt;
    if (const auto it = m_stagedBySource.find(*key); it != m_stagedBySource.end())
        return Staged{it->second, 0, true, false, 0, 0, std::nullopt};
    if (!fs::exists(*key, error)) {
        if (!error)
            error = std::make_error_code(std::errc::no_such_file_or_directory);
        return std::nullopt;
    }
    std::error_code ignored;
    const fs::path staging = fs::weakly_canonical(m_directory, ignored);
    if (within(ignored ? m_directory : staging, *key)) {
        error = treecopy::Error::containsStaging;
        return std::nullopt;
    }

    const fs::path destination = destinationFor(key->filename(), m_sourceByName);
    // Whatever lies there (not from this share) is replaced.
    if (fs::exists(fs::symlink_status(destination, ignored))) {
        fs::remove_all(destination, error);
        if (error)
            return std::nullopt;
    }
    treecopy::Budget budget{m_limits.maxEntries, m_limits.maxBytes, m_entries, m_bytes};
    treecopy::Report report;
    error = treecopy::copy(*key, destination, budget, report);
    if (error) {
        fs::remove_all(destination, ignored); // no partial copy stays behind
        return std::nullopt;
    }
    m_entries = budget.entries;
    m_bytes = budget.bytes;

    Staged staged{destination, report.bytes, false, report.isDirectory, report.skippedLinks, report.skippedSpecial,
                  std::nullopt};
    // The copy was created owner-only; the top entry is set once more so a failure is reported.
    if (::chmod(destination.c_str(), report.isDirectory ? 0700 : 0600) != 0)
        staged.permissionError = std::error_code(errno, std::generic_category());
    m_stagedBySource.emplace(*key, destination);
    m_sourceByName.emplace(destination.filename().string(), *key);
    return staged;
}

std::string ShareStaging::describe(const std::error_code& error) const
{
    if (error == treecopy::Error::tooManyEntries)
        return "the share is over its limit of " + std::to_string(m_limits.maxEntries) + " files and folders";
    if (error == treecopy::Error::tooManyBytes)
        return "the share is over its limit of " + std::to_string(m_limits.maxBytes) + " bytes";
    if (error == treecopy::Error::containsStaging)
        return "the shared folder contains the staging directory";
    return error.message();
}

void ShareStaging::discardIfEmpty()
{
    ::rmdir(m_directory.c_str()); // fails, harmlessly, when something is in it
}

} // namespace tarnwick
