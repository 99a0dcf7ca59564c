#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <sys/stat.h>
#include <thread>

#include "tarnwick/extensionkit/memorykeystore.h"
#include "tarnwick/extensionkit/secretfile.h"
#include "tarnwick/extensionkit/secretfilekeychain.h"
#include "tarnwick/testing/tempdir.h"

using namespace tarnwick;
namespace fs = std::filesystem;
namespace tt = tarnwick::testing;

namespace {

SymmetricKey keyOf(char fill)
{
    return *SymmetricKey::fromBytes(std::string(32, fill));
}

std::string fromHex(std::string_view hex)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return out;
}

// A provider over a fixed key that counts how often it was asked.
struct CountingProvider {
    SymmetricKey key;
    std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);
    SecretFile::KeyProvider provider() const
    {
        return [key = key, calls = calls]() -> Expected<SymmetricKey, SecretFileFailure> {
            ++*calls;
            return key;
        };
    }
};

bool isUnreadable(const SecretFileFailure& failure)
{
    return std::holds_alternative<SecretFileError>(failure)
        && std::get<SecretFileError>(failure) == SecretFileError::unreadable();
}

mode_t modeOf(const fs::path& p)
{
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST(SecretFileFormat, EmptyPlaintextIsExactlyTheOverhead)
{
    const auto key = keyOf('k');
    const auto sealed = SecretFile::seal("", "focus-filter.json", key);
    ASSERT_TRUE(sealed);
    EXPECT_EQ(sealed->size(), 35u);
    EXPECT_EQ(SecretFile::kOverhead, 35u);
    EXPECT_EQ(sealed->substr(0, 7), std::string("TRNBOX\x01", 7));
    const auto opened = SecretFile::open(*sealed, "focus-filter.json", key);
    ASSERT_TRUE(opened);
    EXPECT_EQ(*opened, "");
}

TEST(SecretFileFormat, SealingTwiceGivesDifferentFilesThatBothOpen)
{
    const auto key = keyOf('k');
    const std::string plain = R"({"threads":[1,2,3]})";
    const auto a = SecretFile::seal(plain, "widget-cache.json", key);
    const auto b = SecretFile::seal(plain, "widget-cache.json", key);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->size(), plain.size() + 35);
    EXPECT_NE(a->substr(7, 12), b->substr(7, 12)) << "fresh nonce";
    EXPECT_NE(*a, *b);
    EXPECT_EQ(*SecretFile::open(*a, "widget-cache.json", key), plain);
    EXPECT_EQ(*SecretFile::open(*b, "widget-cache.json", key), plain);
}

TEST(SecretFileFormat, LayoutIsNonceCiphertextTagOfStandardAesGcm)
{
    // AES-256-GCM reference vector: zero key, zero 96-bit nonce, 16 zero bytes, no associated data.
    const std::string file = std::string("TRNBOX\x01", 7) + std::string(12, '\0')
        + fromHex("cea7403d4d606b6e074ec5d3baf39d18") + fromHex("d0d1c8a799996bf0265b98b5d48ab919");
    const auto opened = SecretFile::open(file, "", keyOf('\0'));
    ASSERT_TRUE(opened);
    EXPECT_EQ(*opened, std::string(16, '\0'));
}

TEST(SecretFileFormat, AnyChangeOrTheWrongKeyOrNameIsUnreadable)
{
    const auto key = keyOf('k');
    const std::string sealed = *SecretFile::seal("secret payload", "accounts.json", key);
    struct Row {
        const char* what;
        std::string bytes;
        std::string name;
        SymmetricKey key;
    };
    auto flip = [&](std::size_t at) {
        std::string s = sealed;
        s[at] = static_cast<char>(s[at] ^ 0x01);
        return s;
    };
    const Row rows[] = {
        {"empty", "", "accounts.json", key},
        {"header only", sealed.substr(0, 7), "accounts.json", key},
        {"one byte short of the overhead", sealed.substr(0, 34), "accounts.json", key},
        {"nonce changed", flip(8), "accounts.json", key},
        {"ciphertext changed", flip(20), "accounts.json", key},
        {"tag changed", flip(sealed.size() - 1), "accounts.json", key},
        {"truncated", sealed.substr(0, sealed.size() - 1), "accounts.json", key},
        {"other name", sealed, "widget-cache.json", key},
        {"other key", sealed, "accounts.json", keyOf('x')},
    };
    for (const auto& row : rows) {
        const auto opened = SecretFile::open(row.bytes, row.name, row.key);
        ASSERT_FALSE(opened) << row.what;
        EXPECT_EQ(opened.error(), SecretFileError::unreadable()) << row.what;
    }
    // The header itself is not checked by open.
    std::string otherHeader = sealed;
    otherHeader[0] = 'X';
    EXPECT_TRUE(SecretFile::open(otherHeader, "accounts.json", key));
}

TEST(SecretFileRead, PlainFilesPassThroughWithoutAKey)
{
    tt::TempDir dir;
    CountingProvider provider{keyOf('k')};
    struct Row {
        const char* name;
        std::string contents;
    };
    const Row rows[] = {
        {"plain.json", R"({"a":1})"},
        {"empty.json", ""},
        {"magic-v2.json", std::string("TRNBOX\x02", 7) + std::string(40, 'z')},
        {"short-magic.json", "TRNBO"},
    };
    for (const auto& row : rows) {
        const auto read = SecretFile::read(dir.write(row.name, row.contents), provider.provider());
        ASSERT_TRUE(read) << row.name;
        ASSERT_TRUE(read->has_value()) << row.name;
        EXPECT_EQ(**read, row.contents) << row.name;
    }
    EXPECT_EQ(*provider.calls, 0) << "no key is needed for plain files";

    const auto absent = SecretFile::read(dir / "absent.json", provider.provider());
    ASSERT_TRUE(absent);
    EXPECT_FALSE(absent->has_value());
    fs::create_directory(dir / "a-directory");
    const auto directory = SecretFile::read(dir / "a-directory", provider.provider());
    ASSERT_FALSE(directory);
    EXPECT_TRUE(isUnreadable(directory.error()));
}

TEST(SecretFileRead, HeaderOnlyFileIsUnreadable)
{
    tt::TempDir dir;
    CountingProvider provider{keyOf('k')};
    const auto read = SecretFile::read(dir.write("x.json", std::string("TRNBOX\x01", 7)), provider.provider());
    ASSERT_FALSE(read);
    EXPECT_TRUE(isUnreadable(read.error()));
    EXPECT_EQ(*provider.calls, 1);
}

TEST(SecretFileWrite, WritesOwnerOnlyAndReadsBack)
{
    tt::TempDir dir;
    CountingProvider provider{keyOf('k')};
    const auto file = dir / "widget-cache.json";
    EXPECT_EQ(SecretFile::write("payload one", file, provider.provider()), std::nullopt);
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(fs::file_size(file), 11u + 35u);
    EXPECT_EQ(tt::readFile(file).substr(0, 7), std::string("TRNBOX\x01", 7));
    EXPECT_EQ(**SecretFile::read(file, provider.provider()), "payload one");

    // A file that was readable by others before is owner-only after a write.
    ::chmod(file.c_str(), 0644);
    EXPECT_EQ(SecretFile::write("payload two", file, provider.provider()), std::nullopt);
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(**SecretFile::read(file, provider.provider()), "payload two");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1) << "no temporary left";
}

TEST(SecretFileWrite, MovingASealedFileBreaksIt)
{
    tt::TempDir dir;
    CountingProvider provider{keyOf('k')};
    ASSERT_EQ(SecretFile::write("cached", dir / "widget-cache.json", provider.provider()), std::nullopt);
    fs::rename(dir / "widget-cache.json", dir / "accounts.json");
    const auto read = SecretFile::read(dir / "accounts.json", provider.provider());
    ASSERT_FALSE(read);
    EXPECT_TRUE(isUnreadable(read.error()));
}

TEST(SecretFileWrite, FailuresWriteNothing)
{
    tt::TempDir dir;
    const SecretFile::KeyProvider refusing = []() -> Expected<SymmetricKey, SecretFileFailure> {
        return unexpected(SecretFileFailure(std::make_error_code(std::errc::operation_canceled)));
    };
    const auto failure = SecretFile::write("x", dir / "a.json", refusing);
    ASSERT_TRUE(failure);
    EXPECT_EQ(std::get<std::error_code>(*failure), std::make_error_code(std::errc::operation_canceled))
        << "the provider's error comes through unchanged";
    EXPECT_FALSE(fs::exists(dir / "a.json"));
    const auto read = SecretFile::read(dir.write("b.json", std::string("TRNBOX\x01", 7) + std::string(40, 'q')), refusing);
    ASSERT_FALSE(read);
    EXPECT_TRUE(std::holds_alternative<std::error_code>(read.error()));

    CountingProvider provider{keyOf('k')};
    const auto noDir = SecretFile::write("x", dir / "missing" / "a.json", provider.provider());
    ASSERT_TRUE(noDir);
    EXPECT_TRUE(std::holds_alternative<std::error_code>(*noDir));
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST(SecretFileKeychainTest, CreatesStoresAndMemoisesTheKey)
{
    MemoryKeyStore store;
    SecretFileKeychain keychain(store);
    const auto first = keychain.fileKey();
    ASSERT_TRUE(first);
    ASSERT_TRUE(store.item);
    EXPECT_EQ(*store.item, std::string(first->bytes()));
    EXPECT_EQ(store.lookups, 1);
    EXPECT_EQ(store.adds, 1);

    store.item = std::string(32, 'n'); // later changes are not noticed by a running process
    EXPECT_EQ(*keychain.fileKey(), *first);
    EXPECT_EQ(store.lookups, 1);

    SecretFileKeychain another(store);
    EXPECT_EQ(*another.fileKey(), keyOf('n')) << "an existing 32-byte item is used as it is";
    EXPECT_EQ(store.adds, 1);
}

TEST(SecretFileKeychainTest, TwoThreadsCauseOneLookupAndShareTheKey)
{
    // The first caller is held inside its lookup until the second has asked for the key, and a while
    // longer: a keychain that let the second one through would show a second lookup meanwhile.
    MemoryKeyStore store;
    SecretFileKeychain keychain(store);
    std::promise<void> secondAsks;
    std::shared_future<void> secondAsked = secondAsks.get_future().share();
    std::atomic<int> lookupsStarted{0};
    store.beforeLookup = [&] {
        if (lookupsStarted.fetch_add(1) == 0) {
            secondAsked.wait();
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    };
    std::optional<SymmetricKey> a, b;
    std::thread first([&] { a = *keychain.fileKey(); });
    while (lookupsStarted.load() == 0)
        std::this_thread::yield();
    std::thread second([&] {
        secondAsks.set_value();
        b = *keychain.fileKey();
    });
    first.join();
    second.join();
    ASSERT_TRUE(a && b);
    EXPECT_EQ(*a, *b);
    EXPECT_EQ(lookupsStarted.load(), 1);
    EXPECT_EQ(store.lookups, 1);
}

TEST(SecretFileKeychainTest, ALostCreationRaceAdoptsTheWinnersKey)
{
    MemoryKeyStore store;
    store.beforeAdd = [](MemoryKeyStore& s) { s.item = std::string(32, 'w'); };
    EXPECT_EQ(*SecretFileKeychain::fetchOrCreateKey(store), keyOf('w'));
    EXPECT_EQ(store.lookups, 2);
}

TEST(SecretFileKeychainTest, KeyUnavailableCases)
{
    {
        // A 16-byte item is no key, but it makes the add a duplicate, and the re-read still finds none.
        MemoryKeyStore store;
        store.item = std::string(16, 's');
        SecretFileKeychain keychain(store);
        const auto key = keychain.fileKey();
        ASSERT_FALSE(key);
        EXPECT_EQ(key.error(), SecretFileError::keyUnavailable(-25299));
        EXPECT_EQ(*store.item, std::string(16, 's')) << "the odd item is left alone";
    }
    {
        MemoryKeyStore store;
        store.lookupStatus = keystatus::kNotAvailable;
        store.addStatus = keystatus::kNotAvailable;
        SecretFileKeychain keychain(store);
        EXPECT_EQ(keychain.fileKey().error(), SecretFileError::keyUnavailable(keystatus::kNotAvailable));
        // Failures are not memoised: once the store answers, the next call succeeds.
        store.lookupStatus = keystatus::kSuccess;
        store.addStatus = keystatus::kSuccess;
        EXPECT_TRUE(keychain.fileKey());
        EXPECT_EQ(store.adds, 2);
    }
    {
        // A failing lookup counts as no key; the add decides.
        MemoryKeyStore store;
        store.lookupStatus = keystatus::kInteractionNotAllowed;
        EXPECT_TRUE(SecretFileKeychain::fetchOrCreateKey(store));
        EXPECT_EQ(store.adds, 1);
    }
}
