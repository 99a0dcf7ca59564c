#include "tarnwick/helper/desktopclipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>

#include "tarnwick/rpc/helperlog.h"

namespace tarnwick::desktopclipboard {

namespace {

constexpr std::string_view kCategory = "Clipboard";

void setThroughQt(const std::string& text)
{
    QClipboard* clipboard = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                ? QGuiApplication::clipboard()
                                : nullptr;
    if (!clipboard) {
        HelperLog::error(kCategory, "No clipboard: the text was not copied");
        return;
    }
    clipboard->clear();
    clipboard->setText(QString::fromStdString(text));
}

} // namespace

bool copyThroughProgram(const std::string& program, const std::string& text)
{
    auto* process = new QProcess;
    // wl-copy leaves a child behind that serves the selection: it must not hold our pipes.
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    const QString name = QString::fromStdString(program);
    QObject::connect(process, &QProcess::errorOccurred, process, [process, name](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            HelperLog::error(kCategory, "Could not run " + name.toStdString() + ": the text was not copied");
            process->deleteLater();
        }
    });
    QObject::connect(process, &QProcess::finished, process, [process, name](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || code != 0)
            HelperLog::error(kCategory, name.toStdString() + " failed (exit " + std::to_string(code) +
                                            "): the text was not copied");
        process->deleteLater();
    });
    process->start(name, {});
    if (!process->waitForStarted(2000))
        return false;
    process->write(QByteArray::fromStdString(text));
    process->closeWriteChannel();
    return true;
}

void setText(const std::string& text, Origin origin)
{
    if (origin == Origin::elsewhere && QGuiApplication::platformName() == QLatin1String("wayland")) {
        const QString wlCopy = QStandardPaths::findExecutable(QStringLiteral("wl-copy"));
        if (!wlCopy.isEmpty()) {
            copyThroughProgram(wlCopy.toStdString(), text);
            return;
        }
        // Without it the compositor will most likely refuse the selection.
        static const bool warned = [] {
            HelperLog::warn(kCategory, "wl-copy is not installed: copies from notifications may not reach the clipboard");
            return true;
        }();
        (void)warned;
    }
    setThroughQt(text);
}

} // namespace tarnwick::desktopclipboard
