#pragma once

// Runs programs one after another inside a session bus of their own with a freshly unlocked
// gnome-keyring, so each scenario starts from an empty keyring and scenarios can run in parallel.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tarnwick::testing {

struct KeyringSession {
    /// Home, data directory and runtime directory of the session live under this directory.
    std::filesystem::path root;
    /// The password that creates and unlocks the login keyring; an empty one leaves the keyring
    /// without a default collection.
    std::string password = "tarnwick-test";
    /// Variables on top of the home and data directories.
    std::map<std::string, std::string> env;
    /// False: the session has no XDG_RUNTIME_DIR, as under su, cron or a bare container.
    bool runtimeDir = true;

    /// Each command is a full argument list. Returns each command's output lines (empty lines
    /// dropped). Each command writes into a file of its own: the bus and any keyring daemon it
    /// activates share the session's standard output and may print there at any moment.
    std::vector<std::vector<std::string>> run(const std::vector<std::vector<std::string>>& commands);
};

} // namespace tarnwick::testing
