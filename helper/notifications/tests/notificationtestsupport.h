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

/// Makes the process look installed and points the temporary and runtime directories at a fresh
/// directory, for as long as it lives.
class InstalledProcess {
public:
    InstalledProcess()
    {
        m_paths.tempDir = m_tmp.path();
        m_paths.runtimeDir = m_tmp.path();
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

    /// Files in the temporary directory and below, by name.
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_tmp.path()))
            if (entry.is_regular_file())
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    testing::TempDir m_tmp;
    FakeSystemPaths m_paths;
};

/// "<category>.png" in a directory "tarnwick-pictures-<6 characters>" of the user's alone.
inline bool isAttachmentName(const std::filesystem::path& file, const std::string& category)
{
    return file.filename() == category + ".png" &&
           std::regex_match(file.parent_path().filename().string(), std::regex("tarnwick-pictures-[A-Za-z0-9]{6}"));
}

} // namespace tarnwick::test
