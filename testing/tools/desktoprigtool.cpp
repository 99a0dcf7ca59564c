// A real desktop for a person to watch the helper in (scripts/demo.sh --desktop gnome|kde|i3): starts
// the desktop's rig, says how to run a program inside its session, and then does what it is asked,
// one command per line on standard input, one answer line each on standard output:
//
//   item <pid>              where that program's tray item shows: "<x> <y> <width> <height>" or "none"
//   window <pid> <title>    where its top-level window of that title is, the same way
//   click <x> <y> [button]  a real click through the desktop's input: "ok"
//   key <keysym>            a real key press: "ok"
//   screenshot <file.png>   the whole screen: "ok" or "failed"
//   banners                 the banners shown now, tab-separated (an empty line when none)
//
// At start it prints "command" and the session's command prefix (tab-separated) once the tray and
// the notification server are up, or "failed <reason>" and exits. End of input stops the desktop.

#include <QGuiApplication>
#include <QImage>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "gnomerig.h"
#include "i3rig.h"
#ifdef TARNWICK_WITH_PLASMA_RIG
#include "plasmarig.h"
#endif

namespace tt = tarnwick::testing;

namespace {

std::unique_ptr<tt::DesktopRig> rigFor(const std::string& desktop, const std::string& share)
{
    if (desktop == "gnome" || desktop == "gnome-x11") {
        tt::GnomeRig::Options options;
        options.wayland = desktop == "gnome";
        if (!share.empty())
            options.dataDirs = {share};
        return std::make_unique<tt::GnomeRig>(options);
    }
#ifdef TARNWICK_WITH_PLASMA_RIG
    if (desktop == "kde") {
        tt::PlasmaRig::Options options;
        if (!share.empty())
            options.dataDirs = {share};
        return std::make_unique<tt::PlasmaRig>(options);
    }
#endif
    if (desktop == "i3")
        return std::make_unique<tt::I3Rig>();
    return nullptr;
}

std::string place(const std::optional<QRect>& where)
{
    if (!where)
        return "none";
    return std::to_string(where->x()) + " " + std::to_string(where->y()) + " " + std::to_string(where->width()) + " " +
           std::to_string(where->height());
}

void answer(tt::DesktopRig& rig, const std::string& line)
{
    std::istringstream in(line);
    std::string command;
    in >> command;
    if (command == "item") {
        int pid = 0;
        in >> pid;
        std::cout << place(rig.trayItemGeometry(pid)) << std::endl;
    } else if (command == "window") {
        int pid = 0;
        std::string title;
        in >> pid >> std::ws;
        std::getline(in, title);
        std::optional<QRect> where;
        for (const tt::DesktopWindow& window : rig.windows())
            if (window.pid == pid && window.title == title)
                where = window.geometry;
        std::cout << place(where) << std::endl;
    } else if (command == "click") {
        int x = 0, y = 0, button = 1;
        in >> x >> y;
        if (!(in >> button))
            button = 1;
        rig.click(QPoint(x, y), button);
        std::cout << "ok" << std::endl;
    } else if (command == "key") {
        std::string key;
        in >> key;
        rig.key(key);
        std::cout << "ok" << std::endl;
    } else if (command == "screenshot") {
        std::string file;
        in >> std::ws;
        std::getline(in, file);
        std::cout << (rig.screenshot().save(QString::fromStdString(file)) ? "ok" : "failed") << std::endl;
    } else if (command == "banners") {
        std::string text;
        for (const std::string& banner : rig.visibleBanners())
            text += (text.empty() ? "" : "\t") + banner;
        std::cout << text << std::endl;
    } else {
        std::cout << "unknown command" << std::endl;
    }
}

} // namespace

int main(int argc, char** argv)
{
    // The tool itself draws nothing: it must not reach whatever display it was started from.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::cerr << "usage: tarnwick-desktop-rig gnome|gnome-x11|kde|i3 [<share directory of an installed prefix>]\n";
        return 2;
    }
    const auto rig = rigFor(argv[1], argc > 2 ? argv[2] : "");
    if (!rig) {
        std::cout << "failed no rig for the desktop \"" << argv[1] << "\" here" << std::endl;
        return 2;
    }
    if (!rig->start() || !rig->waitForTrayAndNotifications(std::chrono::seconds(90))) {
        std::cout << "failed " << rig->failure() << std::endl;
        return 1;
    }
    std::string prefix;
    for (const std::string& part : rig->sessionCommand())
        prefix += "\t" + part;
    std::cout << "command" << prefix << std::endl;
    for (std::string line; std::getline(std::cin, line);)
        answer(*rig, line);
    rig->stop();
    return 0;
}
