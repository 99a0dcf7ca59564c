#include "tarnwick/testing/keyringsession.h"

#include <gtest/gtest.h>

#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"

namespace tarnwick::testing {

namespace fs = std::filesystem;

namespace {

// A shell word that stands for `s` exactly.
std::string shellQuote(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::vector<std::string> nonEmptyLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    for (char c : text + "\n") {
        if (c != '\n') {
            line += c;
            continue;
        }
        if (!line.empty())
            lines.push_back(line);
        line.clear();
    }
    return lines;
}

} // namespace

std::vector<std::vector<std::string>> KeyringSession::run(const std::vector<std::vector<std::string>>& commands)
{
    // Fresh output files for every run, so a command that did not run cannot show an earlier output.
    const TempDir outDir;
    std::string script = "eval \"$(printf %s " + shellQuote(password)
        + " | gnome-keyring-daemon --unlock --components=secrets 2>/dev/null)\"\n";
    std::vector<fs::path> outFiles;
    for (const auto& command : commands) {
        outFiles.push_back(outDir / std::to_string(outFiles.size()));
        for (const auto& arg : command)
            script += shellQuote(arg) + " ";
        script += ">" + shellQuote(outFiles.back().string()) + "\n";
    }
    Subprocess::Options session;
    session.setEnv = env;
    session.setEnv["HOME"] = (root / "home").string();
    session.setEnv["XDG_DATA_HOME"] = (root / "home" / "data").string();
    session.unsetEnv = {"GNOME_KEYRING_CONTROL", "GNOME_KEYRING_PID", "SSH_AUTH_SOCK"};
    if (runtimeDir)
        session.setEnv["XDG_RUNTIME_DIR"] = (root / "run").string();
    else
        session.unsetEnv.push_back("XDG_RUNTIME_DIR");
    fs::create_directories(root / "home" / "data");
    fs::create_directories(root / "run");
    fs::permissions(root / "run", fs::perms::owner_all);
    const auto result = tarnwick::testing::run(programOnPath("dbus-run-session"), {"--", "sh", "-c", script}, session);
    std::vector<std::vector<std::string>> outputs;
    for (const auto& file : outFiles) {
        const bool ran = fs::exists(file);
        EXPECT_TRUE(ran) << "a command did not run: " << result.out << result.err;
        outputs.push_back(ran ? nonEmptyLines(readFile(file)) : std::vector<std::string>{});
    }
    return outputs;
}

} // namespace tarnwick::testing
