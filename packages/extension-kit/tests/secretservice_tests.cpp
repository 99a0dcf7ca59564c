// The key store against a real Secret Service: every scenario runs the probe program inside its own
// session bus with a freshly unlocked gnome-keyring, so scenarios start from an empty keyring and can
// run in parallel.
#include <gtest/gtest.h>

#include <set>

#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"

namespace tt = tarnwick::testing;
namespace fs = std::filesystem;

namespace {

std::string quote(const std::string& s)
{
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

// Where the processes can keep their creation lock: $XDG_RUNTIME_DIR, the cache directory (su, cron,
// containers without a runtime directory), or nowhere (the oldest-item rule alone).
enum class LockPlace { runtimeDir, cacheDir, nowhere };

class SecretServiceSession : public ::testing::Test {
protected:
    tt::TempDir dir;
    const std::string probe = tt::builtProgram("packages/extension-kit/secretfile_probe");

    // Runs the probe commands one after another in one private session; returns each command's output
    // lines. Each command writes into a file of its own: the bus and the keyring daemons it activates
    // share the session's standard output and may print there at any moment.
    std::vector<std::vector<std::string>> runInSession(const std::vector<std::vector<std::string>>& commands,
                                                       const std::string& password = "tarnwick-test",
                                                       LockPlace lock = LockPlace::runtimeDir)
    {
        ++sessions;
        std::string script = "eval \"$(printf %s " + quote(password)
            + " | gnome-keyring-daemon --unlock --components=secrets 2>/dev/null)\"\n";
        std::vector<fs::path> outFiles;
        for (const auto& command : commands) {
            outFiles.push_back(dir / ("session" + std::to_string(sessions) + "-out" + std::to_string(outFiles.size())));
            script += quote(probe);
            for (const auto& arg : command)
                script += " " + quote(arg);
            script += " >" + quote(outFiles.back().string()) + "\n";
        }
        tt::Subprocess::Options options;
        options.setEnv = {{"HOME", (dir / "home").string()},
                          {"XDG_DATA_HOME", (dir / "home" / "data").string()},
                          {"XDG_CACHE_HOME", (dir / "home" / "cache").string()}};
        options.unsetEnv = {"GNOME_KEYRING_CONTROL", "GNOME_KEYRING_PID", "SSH_AUTH_SOCK"};
        if (lock == LockPlace::runtimeDir) {
            options.setEnv["XDG_RUNTIME_DIR"] = (dir / "run").string();
        } else {
            options.unsetEnv.push_back("XDG_RUNTIME_DIR");
            std::filesystem::remove_all(dir / "home" / "cache" / "tarnwick");
            if (lock == LockPlace::nowhere) // a plain file where the lock's directory would be
                dir.write("home/cache/tarnwick", "");
        }
        std::filesystem::create_directories(dir / "home" / "data");
        std::filesystem::create_directories(dir / "run");
        std::filesystem::permissions(dir / "run", std::filesystem::perms::owner_all);
        const auto result = tt::run(tt::programOnPath("dbus-run-session"), {"--", "sh", "-c", script}, options);
        std::vector<std::vector<std::string>> outputs;
        for (const auto& file : outFiles) {
            EXPECT_TRUE(fs::exists(file)) << "a command did not run: " << result.out << result.err;
            outputs.push_back(fs::exists(file) ? splitLines(tt::readFile(file)) : std::vector<std::string>{});
        }
        return outputs;
    }

private:
    int sessions = 0;
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
