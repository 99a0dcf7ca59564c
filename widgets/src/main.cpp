// tarnwick-widgets: the widget host. Renders the four widget kinds from widget-cache.json, prints
// their timelines, or shows them in a desktop window that refreshes on schedule and on request.
#include <cstdio>
#include <iostream>

#include <QApplication>
#include <QGuiApplication>

#include "tarnwick/extensionkit/widgetslogger.h"
#include "tarnwick/platform/systempaths.h"
#include "tarnwick/rpc/json.h"
#include "tarnwick/widgets/cacheprovider.h"
#include "tarnwick/widgets/extensionwidgetlog.h"
#include "tarnwick/widgets/hostcommandline.h"
#include "tarnwick/widgets/linkopener.h"
#include "tarnwick/widgets/reloadlistener.h"
#include "tarnwick/widgets/timelinejson.h"
#include "tarnwick/widgets/views/widgetrenderer.h"
#include "tarnwick/widgets/widgethostwindow.h"

using namespace tarnwick;
namespace cli = tarnwick::hostcommandline;

namespace {

ProviderContext providerContext(WidgetLog& log, std::optional<std::string> snapshotFile = std::nullopt)
{
    ProviderContext context;
    context.now = [] { return QDateTime::currentDateTime(); };
    if (snapshotFile)
        context.load = [&log, file = *snapshotFile] { return WidgetCache::loadFile(file, log); };
    else
        context.load = [&log] { return WidgetCache::load(SystemPaths::current(), log); };
    if (!snapshotFile)
        context.fingerprint = [] { return WidgetCache::fingerprint(SystemPaths::current()); };
    context.log = &log;
    return context;
}

int printTimeline(const cli::Timeline& command, WidgetLog& log)
{
    const WidgetThreadFilterIntent configuration{command.unreadOnly};
    const Timeline timeline = requestTimeline(command.kind, providerContext(log), configuration);
    const auto text = json::toPrettyString(timelineToValue(command.kind, configuration, timeline));
    if (!text) {
        std::cerr << "tarnwick-widgets: the snapshot has no JSON form\n";
        return cli::kExitFailure;
    }
    std::cout << *text << '\n' << std::flush;
    return std::cout ? cli::kExitOk : cli::kExitFailure;
}

int renderPng(const cli::Render& command, WidgetLog& log)
{
    const WidgetThreadFilterIntent configuration{command.unreadOnly};
    const CacheEntry entry = requestSnapshot(command.kind, providerContext(log, command.snapshot), configuration);
    const auto widget = makeWidget(command.kind, entry.cache, WidgetEnvironment::current());
    const QImage image = renderWidget(*widget, command.scale);
    if (!image.save(QString::fromStdString(command.out), "PNG")) {
        std::cerr << "tarnwick-widgets: cannot write " << command.out << '\n';
        return cli::kExitFailure;
    }
    return cli::kExitOk;
}

int runWindow(int argc, char** argv, WidgetLog& log)
{
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("com.fenmoorlab.tarnwick.widgets"));
    GioLinkOpener opener(log);
    WidgetHostWindow window(providerContext(log), opener);
    ReloadListener reload;
    QObject::connect(&reload, &ReloadListener::reloadRequested, &window, &WidgetHostWindow::reloadIfChanged);
    if (!reload.isListening())
        log.warn("No session bus; widgets refresh on their schedule only");
    window.show();
    return app.exec();
}

} // namespace

int main(int argc, char** argv)
{
    const cli::Command command = cli::parse(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto* error = std::get_if<cli::Error>(&command)) {
        std::cerr << "tarnwick-widgets: " << error->message << '\n' << cli::usage();
        return cli::kExitUsage;
    }
    if (std::holds_alternative<cli::Help>(command)) {
        std::cout << cli::usage();
        return cli::kExitOk;
    }

    WidgetsLogger& logger = WidgetsLogger::shared();
    ExtensionWidgetLog log(logger);
    int status = cli::kExitOk;
    if (const auto* timeline = std::get_if<cli::Timeline>(&command)) {
        status = printTimeline(*timeline, log);
    } else if (const auto* render = std::get_if<cli::Render>(&command)) {
        // Rendering needs no display; a PNG is the same with or without one.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        status = renderPng(*render, log);
    } else {
        status = runWindow(argc, argv, log);
    }
    logger.flush();
    return status;
}
