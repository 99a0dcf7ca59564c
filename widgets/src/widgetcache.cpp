#include "tarnwick/widgets/widgetcache.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tarnwick/platform/fileread.h"
#include "tarnwick/platform/systempaths.h"
#include "tarnwick/rpc/json.h"
#include "tarnwick/widgets/widgetlog.h"

namespace tarnwick {
namespace {

constexpr std::string_view kFileName = "widget-cache.json";

// ---- Strict decoding --------------------------------------------------------------------------
// Errors are printed in the shape of the decoding errors the main application's tooling shows:
// kind, the coding path, and a description.

struct PathItem {
    std::string key;
    std::optional<std::size_t> index;
};
using CodingPath = std::vector<PathItem>;

std::string printPath(const CodingPath& path)
{
    std::string out = "[";
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (i)
            out += ", ";
        out += path[i].index ? std::to_string(*path[i].index) : "\"" + path[i].key + "\"";
    }
    return out + "]";
}

std::string context(const CodingPath& path, const std::string& description)
{
    return "Context(codingPath: " + printPath(path) + ", debugDescription: \"" + description + "\")";
}

std::string kindName(const Value& v)
{
    switch (v.kind()) {
    case Value::Kind::Null: return "null";
    case Value::Kind::Bool: return "a boolean";
    case Value::Kind::Integer:
    case Value::Kind::Double: return "a number";
    case Value::Kind::String: return "a string";
    case Value::Kind::Array: return "an array";
    case Value::Kind::Object: return "a dictionary";
    case Value::Kind::Foreign: break;
    }
    return "an unsupported value";
}

std::string printNumber(const Value& v)
{
    if (auto i = v.integer())
        return std::to_string(*i);
    return json::toString(v).value_or("?");
}

class Decoder {
public:
    std::string error;

    bool failed() const { return !error.empty(); }

    const Value* required(const Object& object, const CodingPath& path, std::string_view key, const char* type)
    {
        const auto it = object.find(key);
        if (it == object.end()) {
            fail("keyNotFound(\"" + std::string(key) + "\", " +
                 context(path, "No value associated with key \"" + std::string(key) + "\".") + ")");
            return nullptr;
        }
        if (it->second.isNull()) {
            fail("valueNotFound(" + std::string(type) + ", " +
                 context(with(path, key), "Expected " + std::string(type) + " value but found null instead.") + ")");
            return nullptr;
        }
        return &it->second;
    }

    std::string string(const Object& object, const CodingPath& path, std::string_view key)
    {
        const Value* v = required(object, path, key, "String");
        if (!v)
            return {};
        if (const std::string* s = v->string())
            return *s;
        mismatch("String", with(path, key), *v);
        return {};
    }

    double number(const Object& object, const CodingPath& path, std::string_view key)
    {
        const Value* v = required(object, path, key, "Double");
        if (!v)
            return 0;
        if (auto i = v->integer())
            return static_cast<double>(*i);
        if (auto d = v->floating())
            return *d;
        mismatch("Double", with(path, key), *v);
        return 0;
    }

    // A whole number: an integer, or a double with no fraction that fits in 64 bits.
    std::int64_t integer(const Object& object, const CodingPath& path, std::string_view key)
    {
        const Value* v = required(object, path, key, "Int");
        if (!v)
            return 0;
        if (auto i = v->integer())
            return *i;
        if (auto d = v->floating()) {
            // 2^63 is exactly representable; anything at or beyond it does not fit.
            if (std::isfinite(*d) && std::trunc(*d) == *d && *d >= -9223372036854775808.0 &&
                *d < 9223372036854775808.0)
                return static_cast<std::int64_t>(*d);
            fail("typeMismatch(Int, " +
                 context(with(path, key), "Parsed JSON number <" + printNumber(*v) + "> does not fit in Int.") + ")");
            return 0;
        }
        mismatch("Int", with(path, key), *v);
        return 0;
    }

    std::optional<std::string> optionalString(const Object& object, const CodingPath& path, std::string_view key)
    {
        const auto it = object.find(key);
        if (it == object.end() || it->second.isNull())
            return std::nullopt;
        if (const std::string* s = it->second.string())
            return *s;
        mismatch("String", with(path, key), it->second);
        return std::nullopt;
    }

    std::optional<bool> optionalBool(const Object& object, const CodingPath& path, std::string_view key)
    {
        const auto it = object.find(key);
        if (it == object.end() || it->second.isNull())
            return std::nullopt;
        if (auto b = it->second.boolean())
            return b;
        mismatch("Bool", with(path, key), it->second);
        return std::nullopt;
    }

    const Array* array(const Object& object, const CodingPath& path, std::string_view key)
    {
        const Value* v = required(object, path, key, "Array<Any>");
        if (!v)
            return nullptr;
        if (const Array* a = v->array())
            return a;
        mismatch("Array<Any>", with(path, key), *v);
        return nullptr;
    }

    const Object* object(const Value& v, const CodingPath& path)
    {
        if (const Object* o = v.object())
            return o;
        mismatch("Dictionary<String, Any>", path, v);
        return nullptr;
    }

    static CodingPath with(CodingPath path, std::string_view key)
    {
        path.push_back({std::string(key), std::nullopt});
        return path;
    }
    static CodingPath with(CodingPath path, std::string_view key, std::size_t index)
    {
        path.push_back({std::string(key), std::nullopt});
        path.push_back({{}, index});
        return path;
    }

private:
    void fail(std::string message)
    {
        if (error.empty())
            error = std::move(message);
    }
    void mismatch(const char* type, const CodingPath& path, const Value& found)
    {
        fail("typeMismatch(" + std::string(type) + ", " +
             context(path, "Expected to decode " + std::string(type) + " but found " + kindName(found) +
                               " instead.") +
             ")");
    }
};

std::optional<CachedAccount> decodeAccount(Decoder& d, const Value& v, const CodingPath& path)
{
    const Object* o = d.object(v, path);
    if (!o)
        return std::nullopt;
    CachedAccount a;
    a.id = d.string(*o, path, "id");
    a.name = d.string(*o, path, "name");
    a.color = d.string(*o, path, "color");
    a.email = d.string(*o, path, "email");
    a.unreadCount = d.integer(*o, path, "unreadCount");
    if (d.failed())
        return std::nullopt;
    return a;
}

std::optional<CachedMessage> decodeMessage(Decoder& d, const Value& v, const CodingPath& path)
{
    const Object* o = d.object(v, path);
    if (!o)
        return std::nullopt;
    CachedMessage m;
    m.id = d.string(*o, path, "id");
    m.threadId = d.string(*o, path, "threadId");
    m.accountId = d.string(*o, path, "accountId");
    m.sender = d.string(*o, path, "sender");
    m.subject = d.string(*o, path, "subject");
    m.snippet = d.string(*o, path, "snippet");
    m.date = d.number(*o, path, "date");
    m.category = d.optionalString(*o, path, "category");
    m.unread = d.optionalBool(*o, path, "unread");
    if (d.failed())
        return std::nullopt;
    return m;
}

std::string readError(const std::error_code& ec)
{
    return ec.message();
}

} // namespace

// ---- Derived values -------------------------------------------------------------------------------

WidgetCache WidgetCache::onlyUnread() const
{
    WidgetCache out;
    out.updatedAt = updatedAt;
    out.totalUnread = totalUnread;
    out.accounts = accounts;
    for (const CachedMessage& m : messages)
        if (m.isUnread())
            out.messages.push_back(m);
    return out;
}

const CachedAccount* WidgetCache::account(const CachedMessage& message) const
{
    for (const CachedAccount& a : accounts)
        if (a.id == message.accountId)
            return &a;
    return nullptr;
}

// ---- JSON --------------------------------------------------------------------------------------------

DecodedWidgetCache WidgetCache::decode(std::string_view text)
{
    DecodedWidgetCache out;
    const auto root = json::parse(text);
    if (!root) {
        out.error = "dataCorrupted(" + context({}, "The given data was not valid JSON.") + ")";
        return out;
    }
    Decoder d;
    const Object* top = d.object(*root, {});
    if (!top) {
        out.error = d.error;
        return out;
    }
    WidgetCache cache;
    cache.updatedAt = d.number(*top, {}, "updatedAt");
    cache.totalUnread = d.integer(*top, {}, "totalUnread");
    if (const Array* accounts = d.array(*top, {}, "accounts")) {
        for (std::size_t i = 0; i < accounts->size() && !d.failed(); ++i)
            if (auto a = decodeAccount(d, (*accounts)[i], Decoder::with({}, "accounts", i)))
                cache.accounts.push_back(std::move(*a));
    }
    if (!d.failed()) {
        if (const Array* messages = d.array(*top, {}, "messages")) {
            for (std::size_t i = 0; i < messages->size() && !d.failed(); ++i)
                if (auto m = decodeMessage(d, (*messages)[i], Decoder::with({}, "messages", i)))
                    cache.messages.push_back(std::move(*m));
        }
    }
    if (d.failed()) {
        out.error = d.error;
        return out;
    }
    out.cache = std::move(cache);
    return out;
}

Value WidgetCache::toValue() const
{
    Array accountValues;
    for (const CachedAccount& a : accounts)
        accountValues.push_back(Object{{"id", a.id},
                                       {"name", a.name},
                                       {"color", a.color},
                                       {"email", a.email},
                                       {"unreadCount", a.unreadCount}});
    Array messageValues;
    for (const CachedMessage& m : messages) {
        Object o{{"id", m.id},           {"threadId", m.threadId}, {"accountId", m.accountId},
                 {"sender", m.sender},   {"subject", m.subject},   {"snippet", m.snippet},
                 {"date", m.date}};
        if (m.category)
            o["category"] = *m.category;
        if (m.unread)
            o["unread"] = *m.unread;
        messageValues.push_back(std::move(o));
    }
    return Object{{"updatedAt", updatedAt},
                  {"totalUnread", totalUnread},
                  {"accounts", std::move(accountValues)},
                  {"messages", std::move(messageValues)}};
}

// ---- Loading ----------------------------------------------------------------------------------------

WidgetCache WidgetCache::load(const SystemPaths& paths, WidgetLog& log)
{
    const auto groupId = paths.appGroupIdentifier();
    std::optional<std::filesystem::path> container;
    if (groupId && !groupId->empty())
        container = paths.groupContainer(*groupId);
    if (!container) {
        log.error("No App Group container; this build is not entitled for " +
                  (groupId && !groupId->empty() ? *groupId : std::string("any group")));
        return empty();
    }
    return loadFile(*container / std::string(kFileName), log);
}

std::string WidgetCache::fingerprint(const SystemPaths& paths)
{
    const auto groupId = paths.appGroupIdentifier();
    if (!groupId || groupId->empty())
        return "no container";
    const auto container = paths.groupContainer(*groupId);
    struct stat st {};
    if (!container || ::stat((*container / std::string(kFileName)).c_str(), &st) != 0)
        return "no file";
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":" +
           std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + ":" +
           std::to_string(st.st_ctim.tv_sec) + "." + std::to_string(st.st_ctim.tv_nsec);
}

WidgetCache WidgetCache::loadFile(const std::filesystem::path& file, WidgetLog& log)
{
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        log.warn("widget-cache.json not found at " + log.redactText(file.string()));
        return empty();
    }

    // The main application writes the file, but any program of the user could have put something
    // else there (a FIFO, a link to a device): the read neither blocks nor follows it.
    const std::optional<std::string> text = readWholeFile(file, ec, kMaxSnapshotBytes);
    if (!text) {
        if (ec == std::errc::file_too_large)
            log.error("Failed to read widget-cache.json: the file is larger than " + std::to_string(kMaxSnapshotBytes) +
                      " bytes");
        else
            log.error("Failed to read widget-cache.json: " + readError(ec));
        return empty();
    }

    DecodedWidgetCache decoded = decode(*text);
    if (!decoded.cache) {
        log.error("Failed to decode widget-cache.json: " + decoded.error);
        return empty();
    }
    const WidgetCache& cache = *decoded.cache;
    log.info("Loaded widget cache: " + std::to_string(cache.accounts.size()) + " account(s), " +
             std::to_string(cache.totalUnread) + " unread, " + std::to_string(cache.messages.size()) +
             " message(s)");
    return std::move(*decoded.cache);
}

} // namespace tarnwick
