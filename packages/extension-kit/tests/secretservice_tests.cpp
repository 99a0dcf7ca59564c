// The key store against a real Secret Service: every scenario runs the probe program inside its own
// session bus with a freshly unlocked gnome-keyring, so scenarios start from an empty keyring and can
// run in parallel.
#include <gtest/gtest.h>

#include <set>

#include "tarnwick/testing/keyringsession.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"

namespace tt = tarnwick::testing;
namespace fs = std::filesystem;

namespace {

// Where the processes can keep their creation lock: $XDG_RUNTIME_DIR, the cache directory (su, cron,
// containers without a runtime directory), or nowhere (the oldest-item rule alone).
enum class LockPlace { runtimeDir, cacheDir, nowhere };

class SecretServiceSession : public ::testing::Test {
protected:
    tt::TempDir dir;
    const std::string probe = tt::builtProgram("packages/extension-kit/secretfile_probe");

    // Runs the probe commands one after another in one private session; returns each command's output
    // lines.
    std::vector<std::vector<std::string>> runInSession(const std::vector<std::vector<std::string>>& commands,
                                                       const std::string& password = "tarnwick-test",
                                                       LockPlace lock = LockPlace::runtimeDir)
    {
        tt::KeyringSession session;
        session.root = dir.path();
        session.password = password;
        session.env = {{"XDG_CACHE_HOME", (dir / "home" / "cache").string()}};
        session.runtimeDir = lock == LockPlace::runtimeDir;
        if (lock != LockPlace::runtimeDir) {
            fs::remove_all(dir / "home" / "cache" / "tarnwick");
            if (lock == LockPlace::nowhere) // a plain file where the lock's directory would be
                dir.write("home/cache/tarnwick", "");
        }
        std::vector<std::vector<std::string>> withProbe;
        for (auto command : commands) {
            command.insert(command.begin(), probe);
            withProbe.push_back(std::move(command));
        }
        return session.run(withProbe);
    }
};

bool isKeyHex(const std::string& line)
{
    return line.size() == 64 && line.find_first_not_of("0123456789abcdef") == std::string::npos;
}

} // namespace

TEST_F(SecretServiceSession, FirstFetchCreatesTheItemAndEveryLaterProcessGetsTheSameKey)
{
    const auto out = runInSession({{"count"}, {"fetch"}, {"fetch"}, {"count"}});
    EXPECT_EQ(out[0], std::vector<std::string>{"0"});
    ASSERT_EQ(out[1].size(), 1u);
    EXPECT_TRUE(isKeyHex(out[1][0])) << out[1][0];
    EXPECT_EQ(out[2], out[1]);
    EXPECT_EQ(out[3], std::vector<std::string>{"1"});
}

TEST_F(SecretServiceSession, TwelveProcessesRacingSettleOnOneKeyWhereverTheyCanLock)
{
    for (const auto& [lock, name] : {std::pair{LockPlace::runtimeDir, "runtime"}, std::pair{LockPlace::cacheDir, "cache"},
                                    std::pair{LockPlace::nowhere, "nowhere"}}) {
        SCOPED_TRACE(std::string("lock in: ") + name);
        const fs::path sealed = dir / ("sealed-" + std::string(name));
        fs::create_directories(sealed);
        fs::remove_all(dir / "home" / "data" / "keyrings"); // each round starts from an empty keyring
        const auto out = runInSession({{"race", "12", sealed.string()}, {"count"}, {"fetch"}}, "tarnwick-test", lock);
        ASSERT_EQ(out[0].size(), 12u) << ::testing::PrintToString(out[0]);
        std::set<std::string> keys;
        for (const auto& line : out[0]) {
            const auto space = line.find(' ');
            keys.insert(line.substr(0, space));
            EXPECT_EQ(line.substr(space == std::string::npos ? line.size() : space), " opened 12")
                << "every file any racer sealed opens in every racer: " << line;
        }
        EXPECT_EQ(keys.size(), 1u) << "every racer ends with the same key";
        EXPECT_TRUE(isKeyHex(*keys.begin())) << *keys.begin();
        EXPECT_EQ(out[1], std::vector<std::string>{"1"}) << "the losers' items were withdrawn";
        EXPECT_EQ(out[2], std::vector<std::string>{*keys.begin()}) << "a later process gets the same key";
    }
}

TEST_F(SecretServiceSession, ADuplicateMadeByAnUnlockedCreatorIsSettledByTheOldestItem)
{
    // A racer that got past the check and stored its item outside any lock: the key store adopts
    // the older item rather than its own, and so does everyone else.
    const auto out = runInSession({{"plant", "32"}, {"plant", "32"}, {"count"}, {"fetch"}, {"fetch"}});
    EXPECT_EQ(out[2], std::vector<std::string>{"2"});
    ASSERT_EQ(out[3].size(), 1u);
    EXPECT_TRUE(isKeyHex(out[3][0])) << out[3][0];
    EXPECT_EQ(out[4], out[3]);
}

TEST_F(SecretServiceSession, AnItemOfTheWrongLengthIsADuplicateWithoutAKey)
{
    const auto out = runInSession({{"plant", "16"}, {"fetch"}, {"count"}});
    EXPECT_EQ(out[0], std::vector<std::string>{"planted"});
    EXPECT_EQ(out[1], std::vector<std::string>{"error -25299"});
    EXPECT_EQ(out[2], std::vector<std::string>{"1"});
}

TEST_F(SecretServiceSession, SealedFilesOpenInAnotherProcess)
{
    const auto file = (dir / "widget-cache.json").string();
    const auto out = runInSession({{"read", file}, {"write", file, "{\"a\":1}"}, {"read", file}});
    EXPECT_EQ(out[0], std::vector<std::string>{"absent"});
    EXPECT_EQ(out[1], std::vector<std::string>{"written"});
    EXPECT_EQ(out[2], std::vector<std::string>{"{\"a\":1}"});
    const std::string sealed = tt::readFile(file);
    EXPECT_EQ(sealed.substr(0, 7), std::string("TRNBOX\x01", 7));
    EXPECT_EQ(sealed.find("\"a\""), std::string::npos);
}

TEST_F(SecretServiceSession, AKeyringWithoutADefaultCollectionRefuses)
{
    // An empty unlock password leaves gnome-keyring without a login collection to store into.
    const auto out = runInSession({{"fetch"}, {"count"}}, "");
    ASSERT_EQ(out[0].size(), 1u);
    EXPECT_EQ(out[0][0].rfind("error -", 0), 0u) << out[0][0];
    EXPECT_EQ(out[1], std::vector<std::string>{"0"});
}

TEST(SecretServiceUnreachable, NoBusIsKeychainRefusedAndPlainFilesStillRead)
{
    tt::TempDir dir;
    const std::string probe = tt::builtProgram("packages/extension-kit/secretfile_probe");
    tt::Subprocess::Options options;
    options.setEnv = {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (dir / "no-bus").string()}};
    const auto fetched = tt::run(probe, {"fetch"}, options);
    EXPECT_EQ(fetched.out, "error -25291\n");
    EXPECT_EQ(fetched.status, 1);

    const auto plain = dir.write("accounts.json", "[]");
    EXPECT_EQ(tt::run(probe, {"read", plain.string()}, options).out, "[]\n");
    const auto sealed = dir.write("other.json", std::string("TRNBOX\x01", 7) + std::string(40, 'x'));
    EXPECT_EQ(tt::run(probe, {"read", sealed.string()}, options).out, "error -25291\n");
}
