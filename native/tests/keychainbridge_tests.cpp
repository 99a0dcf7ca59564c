// The local cache key: fetch-or-create against the in-memory store (every failure path), then the
// shipped library against a real Secret Service in private sessions, agreeing with sealed files.
#include <gtest/gtest.h>

#include <set>

#include "keychainbridge.h"
#include "tarnwick/extensionkit/memorykeystore.h"
#include "tarnwick/testing/keyringsession.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"

using tarnwick::MemoryKeyStore;
using tarnwick::nativelib::KeychainBridge;
namespace keystatus = tarnwick::keystatus;
namespace tt = tarnwick::testing;

namespace {

std::string bytes(std::size_t n, char fill)
{
    return std::string(n, fill);
}

bool fixedRandom(unsigned char* out, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<unsigned char>(i);
    return true;
}

std::string fixedKey()
{
    std::string key(32, '\0');
    fixedRandom(reinterpret_cast<unsigned char*>(key.data()), key.size());
    return key;
}

} // namespace

TEST(Base64, StandardAlphabetWithPadding)
{
    const std::pair<std::string, std::string> rows[] = {
        {"", ""},          {"f", "Zg=="},         {"fo", "Zm8="},     {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"foobar", "Zm9vYmFy"}, {"\xfb\xff", "+/8="},
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(KeychainBridge::base64(in), out) << out;
    EXPECT_EQ(KeychainBridge::base64(bytes(32, '\x00')).size(), 44u);
}

TEST(LocalCacheKey, CreatesOnceThenReadsTheSameKeyEveryTime)
{
    MemoryKeyStore store;
    const auto first = KeychainBridge::localCacheKey(store, fixedRandom);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->size(), 44u);
    EXPECT_EQ(*first, KeychainBridge::base64(fixedKey()));
    ASSERT_TRUE(store.item.has_value());
    EXPECT_EQ(*store.item, fixedKey()) << "the raw 32 bytes are stored";
    EXPECT_EQ(store.adds, 1);

    const auto second = KeychainBridge::localCacheKey(store, [](unsigned char*, std::size_t) {
        ADD_FAILURE() << "no new key while one exists";
        return false;
    });
    EXPECT_EQ(second, first);
    EXPECT_EQ(store.adds, 1);
    EXPECT_EQ(store.lookups, 2) << "read through on every call, never remembered";

    store.item = bytes(32, 'k');
    EXPECT_EQ(KeychainBridge::localCacheKey(store, fixedRandom), KeychainBridge::base64(bytes(32, 'k')))
        << "a key replaced behind our back is what the next call returns";
}

TEST(LocalCacheKey, FailuresGiveNothing)
{
    struct Row {
        const char* name;
        std::optional<std::string> item;
        std::int32_t lookupStatus;
        std::int32_t addStatus;
        bool randomWorks;
        bool expectKey;
        int expectedAdds;
    } rows[] = {
        {"16-byte item: duplicate, still no key", bytes(16, 'a'), keystatus::kSuccess, keystatus::kSuccess, true, false, 1},
        {"33-byte item", bytes(33, 'a'), keystatus::kSuccess, keystatus::kSuccess, true, false, 1},
        {"random generator fails", std::nullopt, keystatus::kSuccess, keystatus::kSuccess, false, false, 0},
        {"add refused", std::nullopt, keystatus::kSuccess, keystatus::kNotAvailable, true, false, 1},
        {"lookup error, add works", std::nullopt, keystatus::kInteractionNotAllowed, keystatus::kSuccess, true, true, 1},
    };
    for (const Row& row : rows) {
        MemoryKeyStore store;
        store.item = row.item;
        store.lookupStatus = row.lookupStatus;
        store.addStatus = row.addStatus;
        const auto key = KeychainBridge::localCacheKey(
            store, row.randomWorks ? tarnwick::nativelib::RandomFill(fixedRandom)
                                   : tarnwick::nativelib::RandomFill([](unsigned char*, std::size_t) { return false; }));
        EXPECT_EQ(key.has_value(), row.expectKey) << row.name;
        EXPECT_EQ(store.adds, row.expectedAdds) << row.name;
    }
}

TEST(LocalCacheKey, ARacingCreatorsKeyWins)
{
    MemoryKeyStore store;
    store.beforeAdd = [](MemoryKeyStore& s) { s.item = std::string(32, 'r'); };
    EXPECT_EQ(KeychainBridge::localCacheKey(store, fixedRandom), KeychainBridge::base64(bytes(32, 'r')));
    EXPECT_EQ(*store.item, bytes(32, 'r')) << "our fresh bytes are discarded";
}

// ---------------------------------------------------------------------------------------------
// The shipped library against gnome-keyring: each scenario runs in its own session bus with a
// freshly unlocked keyring, so it starts from an empty keyring.

namespace {

std::string hexToBase64(const std::string& hex)
{
    std::string raw;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        raw += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return KeychainBridge::base64(raw);
}

class KeyringSession : public ::testing::Test {
protected:
    tt::TempDir dir;
    const std::string ours = tt::builtProgram("native/keychain_probe");
    const std::string library = tt::builtProgram("native/libTarnwickNative.so");
    const std::string sealed = tt::builtProgram("packages/extension-kit/secretfile_probe");

    // Each command is a full argument list; returns each command's output lines.
    std::vector<std::vector<std::string>> run(const std::vector<std::vector<std::string>>& commands)
    {
        return runIn(dir.path(), commands);
    }
    // A session whose home and keyring live under `root`.
    std::vector<std::vector<std::string>> runIn(const std::filesystem::path& root,
                                                const std::vector<std::vector<std::string>>& commands)
    {
        tt::KeyringSession session;
        session.root = root;
        return session.run(commands);
    }
    std::vector<std::string> key() const { return {ours, library}; }
};

} // namespace

TEST_F(KeyringSession, TheFirstCallCreatesTheKeyAndLaterProcessesGetTheSameOne)
{
    const auto out = run({{sealed, "count"}, key(), key(), {sealed, "count"}});
    EXPECT_EQ(out[0], std::vector<std::string>{"0"});
    ASSERT_EQ(out[1].size(), 1u);
    EXPECT_EQ(out[1][0].size(), 44u) << out[1][0];
    EXPECT_EQ(out[2], out[1]);
    EXPECT_EQ(out[3], std::vector<std::string>{"1"});
}

TEST_F(KeyringSession, SealedFilesAndTheLibraryShareOneKeyWhoeverCreatesIt)
{
    const auto sealedFirst = run({{sealed, "fetch"}, key()});
    ASSERT_EQ(sealedFirst[0].size(), 1u);
    EXPECT_EQ(sealedFirst[1], std::vector<std::string>{hexToBase64(sealedFirst[0][0])});

    tt::TempDir other;
    const auto oursFirst = runIn(other.path(), {key(), {sealed, "fetch"}});
    ASSERT_EQ(oursFirst[1].size(), 1u);
    EXPECT_EQ(oursFirst[0], std::vector<std::string>{hexToBase64(oursFirst[1][0])});
    EXPECT_NE(oursFirst[0], sealedFirst[1]) << "a fresh keyring gets a fresh key";
}

TEST_F(KeyringSession, AShortItemIsNoKeyAndIsNotReplaced)
{
    const auto out = run({{sealed, "plant", "16"}, key(), {sealed, "count"}});
    EXPECT_EQ(out[0], std::vector<std::string>{"planted"});
    EXPECT_EQ(out[1], std::vector<std::string>{"null"});
    EXPECT_EQ(out[2], std::vector<std::string>{"1"});
}

TEST(KeyringUnreachable, NoSessionBusGivesNull)
{
    tt::TempDir dir;
    tt::Subprocess::Options options;
    options.setEnv = {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (dir / "no-bus").string()}};
    const auto result = tt::run(tt::builtProgram("native/keychain_probe"),
                                {tt::builtProgram("native/libTarnwickNative.so")}, options);
    EXPECT_EQ(result.out, "null\n") << result.err;
    EXPECT_EQ(result.status, 0);
}
