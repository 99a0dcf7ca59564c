#pragma once

// xfce4-panel (a 30-pixel panel along the top, scripts/xfce4-panel-top.xml) with its tray on the
// test's own Xvfb and bus: screenshots of the root window, xdotool, and where the item is drawn.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QImage>
#include <QRect>
#include <QSize>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "tarnwick/testing/eventwait.h"
#include "tarnwick/testing/privatebus.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"
#include "traypixels.h"

namespace tarnwick::test {

inline constexpr int kPanelHeight = 30;
inline constexpr const char* kXfconfd = "/usr/lib/x86_64-linux-gnu/xfce4/xfconf/xfconfd";

// The panel of scripts/xfce4-panel-top.xml in the given grey.
inline std::string panelConfig(double shade)
{
    std::string config = tarnwick::testing::readFile(TARNWICK_PANEL_CONFIG);
    const std::string value = std::to_string(shade);
    for (std::size_t at; (at = config.find("@SHADE@")) != std::string::npos;)
        config.replace(at, 7, value);
    return config;
}

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

inline std::optional<Geometry> parseGeometry(const std::string& shell)
{
    Geometry g;
    int found = 0;
    std::istringstream in(shell);
    for (std::string line; std::getline(in, line);) {
        auto value = [&](const char* key, int& out) {
            if (line.rfind(key, 0) == 0) {
                out = std::stoi(line.substr(std::string(key).size()));
                ++found;
            }
        };
        value("X=", g.x);
        value("Y=", g.y);
        value("WIDTH=", g.width);
        value("HEIGHT=", g.height);
    }
    return found == 4 ? std::optional(g) : std::nullopt;
}

class XfcePanelRig {
public:
    explicit XfcePanelRig(double shade, QSize screen = QSize(800, 400))
        : m_shade(shade)
        , m_screen(screen)
    {
    }

    ~XfcePanelRig() { QDBusConnection::disconnectFromBus(kBusName); }

    // Starts Xvfb, xfconfd and the panel, all on the rig's own bus; false (with the reason in
    // `failure`) when one of them fails.
    bool start()
    {
        if (m_bus.address().empty()) {
            failure = m_bus.failure();
            return false;
        }
        const QDBusConnection connection = QDBusConnection::connectToBus(QString::fromStdString(m_bus.address()), kBusName);
        if (!connection.isConnected()) {
            failure = "cannot reach the rig's bus";
            return false;
        }
        m_dir.write("config/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml", panelConfig(m_shade));
        m_x = std::make_unique<tarnwick::testing::Subprocess>(tarnwick::testing::programOnPath("Xvfb"),
                                           std::vector<std::string>{"-displayfd", "1", "-screen", "0", screenSpec(),
                                                                    "-nolisten", "tcp"});
        const auto display = m_x->readLine(std::chrono::seconds(20));
        if (!display) {
            failure = "Xvfb did not start: " + m_x->stderrText();
            return false;
        }
        m_display = ":" + *display;
        const std::string config = (m_dir.path() / "config").string();
        m_env = {{"DISPLAY", m_display}, {"XDG_CONFIG_HOME", config}, {"XDG_CONFIG_DIRS", config},
                 {"NO_AT_BRIDGE", "1"}, {"GTK_A11Y", "none"}, {"DBUS_SESSION_BUS_ADDRESS", m_bus.address()}};
        m_xfconf = std::make_unique<tarnwick::testing::Subprocess>(kXfconfd, std::vector<std::string>{}, options());
        auto bus = connection.interface();
        if (!tarnwick::testing::pollUntil([&] { return bus->isServiceRegistered("org.xfce.Xfconf").value(); })) {
            failure = "xfconfd did not start: " + m_xfconf->stderrText();
            return false;
        }
        m_panel = std::make_unique<tarnwick::testing::Subprocess>(tarnwick::testing::programOnPath("xfce4-panel"),
                                               std::vector<std::string>{"--disable-wm-check"}, options());
        if (!tarnwick::testing::pollUntil(
                [&] { return bus->isServiceRegistered("org.kde.StatusNotifierWatcher").value(); })) {
            failure = "the panel's tray did not start: " + m_panel->stderrText();
            return false;
        }
        return true;
    }

    tarnwick::testing::Subprocess::Options options(std::map<std::string, std::string> extra = {}) const
    {
        tarnwick::testing::Subprocess::Options o;
        o.setEnv = m_env;
        for (auto& [k, v] : extra)
            o.setEnv[k] = v;
        return o;
    }

    QImage screenshot(const std::string& name) const
    {
        const std::string file = (m_dir.path() / name).string();
        tarnwick::testing::run(tarnwick::testing::programOnPath("import"), {"-window", "root", file}, options());
        QImage image(QString::fromStdString(file));
        // Kept for a person to look at; never compared.
        const QString review = QStringLiteral(TARNWICK_REVIEW_DIR);
        QDir().mkpath(review);
        image.save(review + "/" + QString::fromStdString(name));
        return image.convertToFormat(QImage::Format_RGB32);
    }

    std::string xdotool(const std::vector<std::string>& args) const
    {
        return tarnwick::testing::run(tarnwick::testing::programOnPath("xdotool"), args, options()).out;
    }

    std::string failure;

private:
    std::string screenSpec() const
    {
        return std::to_string(m_screen.width()) + "x" + std::to_string(m_screen.height()) + "x24";
    }

    static inline const QString kBusName = QStringLiteral("xfce-rig-bus");
    double m_shade;
    QSize m_screen;
    tarnwick::testing::PrivateBus m_bus;
    tarnwick::testing::TempDir m_dir;
    std::string m_display;
    std::map<std::string, std::string> m_env;
    std::unique_ptr<tarnwick::testing::Subprocess> m_x, m_xfconf, m_panel;
};

// The region of the panel that differs from its background: the tray item.
inline std::optional<QRect> itemBounds(const QImage& shot, QRgb background)
{
    QRect box;
    for (int y = 0; y < kPanelHeight; ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (tarnwick::test::contrast(shot.pixel(x, y), background) > 1.25)
                box |= QRect(x, y, 1, 1);
    return box.isEmpty() ? std::nullopt : std::optional(box);
}

} // namespace tarnwick::test
