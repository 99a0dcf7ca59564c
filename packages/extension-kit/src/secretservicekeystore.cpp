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

// Serialises "is there an item? if not, store one" among this user's processes. Without a usable
// runtime directory the add goes ahead unlocked and the oldest-item rule settles any duplicate.
class CreationLock {
public:
    CreationLock()
    {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (!runtime || runtime[0] != '/')
            return;
        const std::string dir = std::string(runtime) + "/tarnwick";
        if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
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

} // namespace

KeyStore::Lookup SecretServiceKeyStore::copyMatching()
{
    ErrorHolder error;
    ListHolder found;
    found.list = secret_password_search_sync(
        keySchema(), static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK | SECRET_SEARCH_LOAD_SECRETS),
        nullptr, &error.error, "service", kServiceValue.c_str(), "account", kAccountValue.c_str(), nullptr);
    if (error.error)
        return {statusFor(error.error), {}};

    SecretRetrievable* oldest = nullptr;
    guint64 oldestCreated = 0;
    std::string oldestPath;
    for (GList* node = found.list; node; node = node->next) {
        auto* item = static_cast<SecretRetrievable*>(node->data);
        const guint64 created = secret_retrievable_get_created(item);
        const std::string path = objectPathOf(item);
        if (!oldest || created < oldestCreated || (created == oldestCreated && pathBefore(path, oldestPath))) {
            oldest = item;
            oldestCreated = created;
            oldestPath = path;
        }
    }
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
        found.list = secret_password_search_sync(keySchema(), SECRET_SEARCH_ALL, nullptr, &error.error, "service",
                                                 kServiceValue.c_str(), "account", kAccountValue.c_str(), nullptr);
        if (error.error)
            return statusFor(error.error);
        if (found.list)
            return keystatus::kDuplicateItem;
    }
    ErrorHolder error;
    SecretValue* secret = secret_value_new(value.data(), static_cast<gssize>(value.size()), "application/octet-stream");
    const gboolean stored = secret_password_store_binary_sync(
        keySchema(), SECRET_COLLECTION_DEFAULT, "Tarnwick local cache key", secret, nullptr, &error.error, "service",
        kServiceValue.c_str(), "account", kAccountValue.c_str(), nullptr);
    secret_value_unref(secret);
    if (!stored)
        return error.error ? statusFor(error.error) : keystatus::kNotAvailable;
    return keystatus::kSuccess;
}

SecretServiceKeyStore& SecretServiceKeyStore::shared()
{
    static SecretServiceKeyStore instance;
    return instance;
}

} // namespace tarnwick
