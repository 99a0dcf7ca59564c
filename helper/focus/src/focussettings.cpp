#include "tarnwick/helper/focussettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "tarnwick/rpc/helperlog.h"

namespace tarnwick::FocusSettings {

namespace {

constexpr const char* kProgram = "tarnwick-focus-filter";

} // namespace

std::string program(const std::string& directory)
{
    const QFileInfo beside(QDir(QString::fromStdString(directory)).filePath(QString::fromLatin1(kProgram)));
    if (!directory.empty() && beside.isFile() && beside.isExecutable())
        return beside.absoluteFilePath().toStdString();
    return QStandardPaths::findExecutable(QString::fromLatin1(kProgram)).toStdString();
}

bool open()
{
    const std::string path = program(QCoreApplication::applicationDirPath().toStdString());
    if (path.empty()) {
        HelperLog::warn("Settings", std::string("No ") + kProgram + " to open the Focus filter window with");
        return false;
    }
    if (!QProcess::startDetached(QString::fromStdString(path), {QStringLiteral("--gui")})) {
        HelperLog::warn("Settings", "Could not start " + path);
        return false;
    }
    return true;
}

} // namespace tarnwick::FocusSettings
