#pragma once

// A D-Bus session bus of one test's own. Tests that run desktop programs owning well-known names
// (a tray host's watcher, a notification server) or watching session-wide signals put them here, so
// tests running alongside on the common test bus neither collide with them nor show up in them.

#include <memory>
#include <string>

#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"

namespace tarnwick::testing {

class PrivateBus {
public:
    /// Starts dbus-daemon with no service directories: only what the test starts itself is on it.
    PrivateBus();
    /// The same bus, also open to the programs of another (unprivileged) user the test runs them as.
    explicit PrivateBus(const std::string& alsoUser);

    /// Empty when the daemon did not start (see failure()). Without the daemon's guid, so the same
    /// address still reaches the bus after restart().
    const std::string& address() const { return m_address; }
    /// Stops the daemon and starts a new one listening at the same address, as a session whose bus
    /// daemon restarts; every connection to the old one is dropped. False when it did not come back.
    bool restart();
    const std::string& failure() const { return m_failure; }

    /// Options for a program that should talk to this bus (and to no other).
    Subprocess::Options options(Subprocess::Options base = {}) const;

private:
    bool startDaemon(const std::string& listen);

    TempDir m_dir;
    std::string m_policy;
    std::unique_ptr<Subprocess> m_daemon;
    std::string m_address;
    std::string m_failure;
};

} // namespace tarnwick::testing
