// Drives the real key store from a separate process, so tests can run it inside a private session
// bus with its own gnome-keyring, several at once.
//
//   secretfile_probe fetch           print the process's file key (hex) or "error <status>"
//   secretfile_probe race N          fork N processes that fetch at the same moment; print their lines
//   secretfile_probe race N DIR      the same; then each seals DIR/<i>.json, and once all have, each
//                                    opens every one of them and prints "<key> opened <count>"
//   secretfile_probe count           print how many key items the store holds
//   secretfile_probe plant N         store an item of N random bytes directly, bypassing every check
//   secretfile_probe write FILE TEXT seal TEXT into FILE with the process's key
//   secretfile_probe read FILE       print the plaintext, "absent", "unreadable" or "error <status>"
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <libsecret/secret.h>
#include <openssl/rand.h>

#include "tarnwick/extensionkit/secretfile.h"

using namespace tarnwick;

namespace {

const SecretSchema* schema()
{
    static const SecretSchema s = {"probe", SECRET_SCHEMA_DONT_MATCH_NAME,
                                   {{"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                   0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    return &s;
}

std::string hex(std::string_view bytes)
{
    std::string out;
    char buf[3];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02x", c);
        out += buf;
    }
    return out;
}

int fetch()
{
    const auto key = SecretFile::fileKey();
    if (!key) {
        std::printf("error %d\n", key.error().status);
        return 1;
    }
    std::printf("%s\n", hex(key->bytes()).c_str());
    return 0;
}

// One racer with a directory: seal its own file, wait until every racer has, then open them all
// with the key this process settled on.
int sealAndOpenAll(int self, int n, const std::string& dir, int sealedFd, int allSealedFd)
{
    const auto key = SecretFile::fileKey();
    if (!key) {
        std::printf("error %d\n", key.error().status);
        const char failed = 'n';
        (void)!::write(sealedFd, &failed, 1); // the others still go on to open
        return 1;
    }
    const std::string own = dir + "/" + std::to_string(self) + ".json";
    const bool written = !SecretFile::write("{\"from\":" + std::to_string(self) + "}", own);
    const char mark = written ? 'y' : 'n';
    if (::write(sealedFd, &mark, 1) != 1)
        return 1;
    char c;
    while (::read(allSealedFd, &c, 1) > 0) {
    }
    int opened = 0;
    for (int i = 0; i < n; ++i) {
        const auto read = SecretFile::read(dir + "/" + std::to_string(i) + ".json");
        opened += read && read->has_value() && **read == "{\"from\":" + std::to_string(i) + "}";
    }
    std::printf("%s opened %d\n", hex(key->bytes()).c_str(), opened);
    return 0;
}

int race(int n, const std::string& dir = {})
{
    int gate[2], sealed[2], allSealed[2];
    if (::pipe(gate) != 0 || ::pipe(sealed) != 0 || ::pipe(allSealed) != 0)
        return 2;
    std::vector<pid_t> children;
    for (int i = 0; i < n; ++i) {
        std::fflush(stdout);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(gate[1]);
            ::close(sealed[0]);
            ::close(allSealed[1]);
            char c;
            while (::read(gate[0], &c, 1) > 0) {
            }
            const int rc = dir.empty() ? fetch() : sealAndOpenAll(i, n, dir, sealed[1], allSealed[0]);
            std::fflush(stdout);
            std::_Exit(rc); // skip the exit handlers that belong to the parent
        }
        children.push_back(pid);
    }
    ::close(sealed[1]);
    ::close(allSealed[0]);
    ::close(gate[1]); // every child sees end of file now and fetches at once
    if (!dir.empty()) {
        char c;
        for (int i = 0; i < n && ::read(sealed[0], &c, 1) == 1; ++i) {
        }
    }
    ::close(allSealed[1]); // every racer has sealed (or died): all may open now
    ::close(sealed[0]);
    int failures = 0;
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        failures += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    return failures == 0 ? 0 : 1;
}

int count()
{
    GError* error = nullptr;
    GList* items = secret_password_search_sync(schema(), SECRET_SEARCH_ALL, nullptr, &error, "service",
                                               "com.fenmoorlab.tarnwick.localcache", "account", "v1", nullptr);
    if (error) {
        std::printf("error %s\n", error->message);
        g_error_free(error);
        return 1;
    }
    std::printf("%u\n", g_list_length(items));
    g_list_free_full(items, g_object_unref);
    return 0;
}

// Created without replacing, as a racing creator that holds no lock would.
int plant(int n)
{
    std::string bytes(static_cast<std::size_t>(n), '\0');
    RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), n);
    GError* error = nullptr;
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &error);
    SecretCollection* collection =
        service ? secret_collection_for_alias_sync(service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, nullptr, &error)
                : nullptr;
    if (service)
        g_object_unref(service);
    SecretItem* item = nullptr;
    if (collection) {
        GHashTable* attributes = secret_attributes_build(schema(), "service", "com.fenmoorlab.tarnwick.localcache",
                                                         "account", "v1", nullptr);
        SecretValue* value = secret_value_new(bytes.data(), n, "application/octet-stream");
        item = secret_item_create_sync(collection, schema(), attributes, "planted", value, SECRET_ITEM_CREATE_NONE,
                                       nullptr, &error);
        secret_value_unref(value);
        g_hash_table_unref(attributes);
        g_object_unref(collection);
    }
    if (!item) {
        std::printf("error %s\n", error ? error->message : "no default collection");
        g_clear_error(&error);
        return 1;
    }
    g_object_unref(item);
    std::printf("planted\n");
    return 0;
}

int describe(const SecretFileFailure& failure)
{
    if (const auto* own = std::get_if<SecretFileError>(&failure)) {
        if (own->code == SecretFileError::Code::Unreadable)
            std::printf("unreadable\n");
        else
            std::printf("error %d\n", own->status);
    } else if (const auto* io = std::get_if<std::error_code>(&failure)) {
        std::printf("io %s\n", io->message().c_str());
    } else {
        std::printf("cipher %s\n", std::get<CipherError>(failure).reason.c_str());
    }
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "fetch")
        return fetch();
    if (args.size() == 2 && args[0] == "race")
        return race(std::stoi(args[1]));
    if (args.size() == 3 && args[0] == "race")
        return race(std::stoi(args[1]), args[2]);
    if (args.size() == 1 && args[0] == "count")
        return count();
    if (args.size() == 2 && args[0] == "plant")
        return plant(std::stoi(args[1]));
    if (args.size() == 3 && args[0] == "write") {
        if (auto failure = SecretFile::write(args[2], args[1]))
            return describe(*failure);
        std::printf("written\n");
        return 0;
    }
    if (args.size() == 2 && args[0] == "read") {
        const auto read = SecretFile::read(args[1]);
        if (!read)
            return describe(read.error());
        std::printf("%s\n", read->has_value() ? (*read)->c_str() : "absent");
        return 0;
    }
    std::fprintf(stderr, "usage: secretfile_probe fetch|race N|count|plant N|write FILE TEXT|read FILE\n");
    return 2;
}
