#pragma once

// Fixtures for the mail notification tests: a Focus filter controller of their own, and an
// installed-looking process (a faked bundle identity) whose temporary directory is a fresh one.

#include <regex>

#include "fakedefaulthandler.h"
#include "tarnwick/helper/clock.h"
#include "tarnwick/helper/focusfiltercontroller.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/helper/traymodel.h"
#include "tarnwick/platform/bundleidentity.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/platform/focusfilterchangeobserver.h"
#include "tarnwick/testing/tempdir.h"

namespace tarnwick::test {

/// A Focus filter controller with no state file and no bus observer.
struct FocusFixture {
    FakeDefaultHandler handler;
    SettingsModel settings{handler};
    ManualClock clock;
    TrayModel tray{clock};
    FakeSystemPaths paths;
    ManualMainQueue queue;
    FocusFilterController focus{settings, tray, {queue, &paths, [] { return nullptr; }}};
};

/// Makes the process look installed and points the temporary directory at a fresh directory, for
/// as long as it lives.
class InstalledProcess {
public:
    InstalledProcess()
    {
        m_paths.tempDir = m_tmp.path();
        SystemPaths::setCurrent(&m_paths);
        BundleIdentity::fakeCurrent(
            BundleIdentity{"/usr", "/usr/share/applications/com.fenmoorlab.tarnwick.desktop"});
    }
    ~InstalledProcess()
    {
        BundleIdentity::resetCurrent();
        SystemPaths::setCurrent(nullptr);
    }
    const std::filesystem::path& tempDir() const { return m_tmp.path(); }

    /// Files in the temporary directory, by name.
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_tmp.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    testing::TempDir m_tmp;
    FakeSystemPaths m_paths;
};

/// "tarnwick-<category>-<upper-case UUID>.png"
inline bool isAttachmentName(const std::string& name, const std::string& category)
{
    static const std::string uuid = "[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}";
    return std::regex_match(name, std::regex("tarnwick-" + category + "-" + uuid + "\\.png"));
}

} // namespace tarnwick::test
