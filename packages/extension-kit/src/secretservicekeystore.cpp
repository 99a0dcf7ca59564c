#include "tarnwick/extensionkit/secretservicekeystore.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <libsecret/secret.h>

namespace tarnwick {
namespace {

const SecretSchema* keySchema()
{
    // DONT_MATCH_NAME: the item is known by its two attributes alone, whoever stored it.
    static const SecretSchema schema = {
        "com.fenmoorlab.tarnwick.LocalCacheKey",
        SECRET_SCHEMA_DONT_MATCH_NAME,
        {
            {"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
            {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
            {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
        },
        0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    };
    return &schema;
}

const std::string kServiceValue(KeyStore::kService);
const std::string kAccountValue(KeyStore::kAccount);

std::int32_t statusFor(const GError* error)
{
    if (!error)
        return keystatus::kSuccess;
    if (error->domain == SECRET_ERROR) {
        switch (error->code) {
        case SECRET_ERROR_IS_LOCKED: return keystatus::kInteractionNotAllowed;
        case SECRET_ERROR_NO_SUCH_OBJECT: return keystatus::kNoSuchKeychain;
        case SECRET_ERROR_ALREADY_EXISTS: return keystatus::kDuplicateItem;
        default: break;
        }
    }
    if (error->domain == G_DBUS_ERROR && error->code == G_DBUS_ERROR_UNKNOWN_OBJECT)
        return keystatus::kNoSuchKeychain; // e.g. the default alias points at no collection
    if (error->domain == G_IO_ERROR && error->code == G_IO_ERROR_CANCELLED)
        return keystatus::kInteractionNotAllowed; // a prompt was dismissed or could not be shown
    return keystatus::kNotAvailable;
}

struct ErrorHolder {
    GError* error = nullptr;
    ~ErrorHolder() { g_clear_error(&error); }
};

struct ListHolder {
    GList* list = nullptr;
    ~ListHolder() { g_list_free_full(list, g_object_unref); }
};

// Numeric order of the trailing number of an item's object path (gnome-keyring numbers items in
// creation order), then plain text order.
bool pathBefore(const std::string& a, const std::string& b)
{
    auto number = [](const std::string& p) -> long long {
        const auto slash = p.rfind('/');
        const std::string tail = p.substr(slash == std::string::npos ? 0 : slash + 1);
        if (tail.empty() || tail.find_first_not_of("0123456789") != std::string::npos || tail.size() > 17)
            return -1;
        return std::stoll(tail);
    };
    const long long na = number(a), nb = number(b);
    if (na >= 0 && nb >= 0 && na != nb)
        return na < nb;
    return a < b;
}

std::string objectPathOf(SecretRetrievable* retrievable)
{
    if (G_IS_DBUS_PROXY(retrievable))
        if (const char* path = g_dbus_proxy_get_object_path(G_DBUS_PROXY(retrievable)))
            return path;
    return {};
}

// The item every process adopts when several exist: the oldest, ties settled by creation order.
SecretRetrievable* oldestOf(GList* items)
{
    SecretRetrievable* oldest = nullptr;
    guint64 oldestCreated = 0;
    std::string oldestPath;
    for (GList* node = items; node; node = node->next) {
        auto* item = static_cast<SecretRetrievable*>(node->data);
        const guint64 created = secret_retrievable_get_created(item);
        const std::string path = objectPathOf(item);
        if (!oldest || created < oldestCreated || (created == oldestCreated && pathBefore(path, oldestPath))) {
            oldest = item;
            oldestCreated = created;
            oldestPath = path;
        }
    }
    return oldest;
}

// mkdir -p, every directory it creates owner-only.
bool makePrivateDirectories(const std::string& dir)
{
    std::string built;
    std::size_t from = 1;
    while (from <= dir.size()) {
        const std::size_t slash = dir.find('/', from);
        built = dir.substr(0, slash);
        if (!built.empty() && ::mkdir(built.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
        from = slash + 1;
    }
    struct stat st {};
    return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

std::string lockDirectory()
{
    auto absolute = [](const char* name) -> std::string {
        const char* value = std::getenv(name);
        return value && value[0] == '/' ? std::string(value) : std::string();
    };
    if (auto runtime = absolute("XDG_RUNTIME_DIR"); !runtime.empty())
        return runtime + "/tarnwick";
    if (auto cache = absolute("XDG_CACHE_HOME"); !cache.empty())
        return cache + "/tarnwick";
    if (auto home = absolute("HOME"); !home.empty())
        return home + "/.cache/tarnwick";
    return {};
}

// Serialises "is there an item? if not, store one" among this user's processes, so a race usually
// creates one item. The lock lives in $XDG_RUNTIME_DIR, else in the user's cache directory (su, cron
// and containers often have no runtime directory). Processes whose environments point at different
// places, or a lock that cannot be made, only cost a duplicate: the oldest-item rule in add() settles
// every race on one key.
class CreationLock {
public:
    CreationLock()
    {
        const std::string dir = lockDirectory();
        if (dir.empty() || !makePrivateDirectories(dir))
            return;
        const std::string file = dir + "/localcache-key.lock";
        m_fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd < 0)
            return;
        while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~CreationLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // releases the lock
    }
    CreationLock(const CreationLock&) = delete;
    CreationLock& operator=(const CreationLock&) = delete;

private:
    int m_fd = -1;
};

// A search fails as a whole when one of the items it found is withdrawn (by a process that lost a
// creation race) before its properties are read; asked again, it no longer finds that item.
GList* searchAll(SecretSearchFlags flags, GError** error)
{
    for (int attempt = 0;; ++attempt) {
        GError* failure = nullptr;
        GList* found = secret_password_search_sync(keySchema(), static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL | flags),
                                                   nullptr, &failure, "service", kServiceValue.c_str(), "account",
                                                   kAccountValue.c_str(), nullptr);
        if (!failure)
            return found;
        g_list_free_full(found, g_object_unref);
        if (attempt >= 8 || failure->domain != G_DBUS_ERROR) {
            g_propagate_error(error, failure);
            return nullptr;
        }
        g_error_free(failure);
    }
}

} // namespace

KeyStore::Lookup SecretServiceKeyStore::copyMatching()
{
    ErrorHolder error;
    ListHolder found;
    found.list = searchAll(static_cast<SecretSearchFlags>(SECRET_SEARCH_UNLOCK | SECRET_SEARCH_LOAD_SECRETS),
                           &error.error);
    if (error.error)
        return {statusFor(error.error), {}};

    SecretRetrievable* oldest = oldestOf(found.list);
    if (!oldest)
        return {keystatus::kItemNotFound, {}};

    SecretValue* value = secret_retrievable_retrieve_secret_sync(oldest, nullptr, &error.error);
    if (!value)
        return {error.error ? statusFor(error.error) : keystatus::kInteractionNotAllowed, {}};
    gsize length = 0;
    const gchar* bytes = secret_value_get(value, &length);
    Lookup result{keystatus::kSuccess, std::string(bytes, length)};
    secret_value_unref(value);
    return result;
}

std::int32_t SecretServiceKeyStore::add(std::string_view value)
{
    CreationLock lock;
    {
        ErrorHolder error;
        ListHolder found;
        found.list = searchAll(SECRET_SEARCH_NONE, &error.error);
        if (error.error)
            return statusFor(error.error);
        if (found.list)
            return keystatus::kDuplicateItem;
    }

    // Created without replacing: storing by attributes would overwrite an item another process has
    // just created, and that process would keep sealing with a key no one else has.
    ErrorHolder error;
    // libsecret 0.20 asserts on a null service here rather than using the default one.
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &error.error);
    if (!service)
        return error.error ? statusFor(error.error) : keystatus::kNotAvailable;
    SecretCollection* collection =
        secret_collection_for_alias_sync(service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, nullptr, &error.error);
    g_object_unref(service);
    if (!collection)
        return error.error ? statusFor(error.error) : keystatus::kNoSuchKeychain;
    GHashTable* attributes = secret_attributes_build(keySchema(), "service", kServiceValue.c_str(), "account",
                                                     kAccountValue.c_str(), nullptr);
    SecretValue* secret = secret_value_new(value.data(), static_cast<gssize>(value.size()), "application/octet-stream");
    SecretItem* created = secret_item_create_sync(collection, keySchema(), attributes, "Tarnwick local cache key", secret,
                                                  SECRET_ITEM_CREATE_NONE, nullptr, &error.error);
    secret_value_unref(secret);
    g_hash_table_unref(attributes);
    g_object_unref(collection);
    if (!created)
        return error.error ? statusFor(error.error) : keystatus::kNotAvailable;
    const std::string ownPath = objectPathOf(SECRET_RETRIEVABLE(created));

    // Re-read: when a process that held no lock (or another lock) created an item first, its item is
    // the older one and every process adopts that; ours is withdrawn. Nobody can have adopted ours,
    // since anyone who saw it also saw the older item.
    // Without that answer nothing is claimed: a search can fail while many processes talk to the
    // service at once (libsecret reports some of those as transient errors), so it is asked again.
    std::int32_t status = keystatus::kNotAvailable;
    for (int attempt = 0; attempt < 5; ++attempt) {
        ErrorHolder searchError;
        ListHolder after;
        after.list = searchAll(SECRET_SEARCH_NONE, &searchError.error);
        SecretRetrievable* oldest = searchError.error ? nullptr : oldestOf(after.list);
        if (!oldest) {
            status = searchError.error ? statusFor(searchError.error) : keystatus::kItemNotFound;
            continue;
        }
        status = objectPathOf(oldest) == ownPath ? keystatus::kSuccess : keystatus::kDuplicateItem;
        break;
    }
    if (status != keystatus::kSuccess)
        secret_item_delete_sync(created, nullptr, nullptr);
    g_object_unref(created);
    return status;
}

SecretServiceKeyStore& SecretServiceKeyStore::shared()
{
    static SecretServiceKeyStore instance;
    return instance;
}

} // namespace tarnwick
