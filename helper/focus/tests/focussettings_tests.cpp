// Which Focus filter program "Open Focus Settings…" starts: the one beside the helper, else PATH's.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tarnwick/helper/focussettings.h"

using namespace tarnwick;

namespace {

std::string makeProgram(const QString& directory, bool executable)
{
    const QString path = QDir(directory).filePath(QStringLiteral("tarnwick-focus-filter"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    file.setPermissions(executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                   : QFile::ReadOwner | QFile::WriteOwner);
    return path.toStdString();
}

} // namespace

TEST(FocusSettings, PrefersTheProgramBesideTheHelperThenPath)
{
    QTemporaryDir beside, onPath, empty;
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", onPath.path().toLocal8Bit());
    const std::string pathProgram = makeProgram(onPath.path(), true);

    EXPECT_EQ(FocusSettings::program(""), pathProgram) << "no directory: PATH";
    EXPECT_EQ(FocusSettings::program(empty.path().toStdString()), pathProgram) << "nothing beside";
    makeProgram(beside.path(), false);
    EXPECT_EQ(FocusSettings::program(beside.path().toStdString()), pathProgram) << "not executable beside";
    const std::string besideProgram = makeProgram(beside.path(), true);
    EXPECT_EQ(FocusSettings::program(beside.path().toStdString()), besideProgram);

    qputenv("PATH", empty.path().toLocal8Bit());
    EXPECT_EQ(FocusSettings::program(empty.path().toStdString()), "") << "nowhere";
    qputenv("PATH", savedPath);
}
