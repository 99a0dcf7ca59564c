#include "tarnwick/testing/privatebus.h"

#include <filesystem>

namespace tarnwick::testing {

PrivateBus::PrivateBus()
    : PrivateBus(std::string())
{
}

PrivateBus::PrivateBus(const std::string& alsoUser)
{
    // The socket lives in this directory: another user needs to pass through it, and the bus lets
    // only its own user connect unless told otherwise.
    std::string allowUser;
    if (!alsoUser.empty()) {
        std::filesystem::permissions(m_dir.path(),
                                     std::filesystem::perms::group_exec | std::filesystem::perms::others_exec,
                                     std::filesystem::perm_options::add);
        allowUser = "<allow user=\"" + alsoUser + "\"/>";
    }
    m_policy = "<auth>EXTERNAL</auth><policy context=\"default\">" + allowUser +
               "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
               "<allow own=\"*\"/></policy>";
    if (startDaemon("unix:tmpdir=" + m_dir.path().string()))
        m_address = m_address.substr(0, m_address.find(",guid="));
}

bool PrivateBus::startDaemon(const std::string& listen)
{
    m_dir.write("bus.conf", "<busconfig><type>session</type><listen>" + listen + "</listen>" + m_policy + "</busconfig>");
    m_daemon = std::make_unique<Subprocess>(
        programOnPath("dbus-daemon"),
        std::vector<std::string>{"--config-file=" + (m_dir / "bus.conf").string(), "--nofork", "--print-address"});
    if (auto address = m_daemon->readLine()) {
        m_address = *address;
        return true;
    }
    m_failure = "dbus-daemon did not report its address: " + m_daemon->stderrText();
    return false;
}

bool PrivateBus::restart()
{
    if (m_address.empty())
        return false;
    m_daemon.reset();
    const std::string address = m_address;
    if (!startDaemon(address))
        return false;
    m_address = address;
    return true;
}

Subprocess::Options PrivateBus::options(Subprocess::Options base) const
{
    base.setEnv["DBUS_SESSION_BUS_ADDRESS"] = m_address;
    return base;
}

} // namespace tarnwick::testing
