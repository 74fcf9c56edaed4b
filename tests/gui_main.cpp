// SPDX-License-Identifier: GPL-3.0-or-later
// Widget tests drive the real windows on the offscreen platform, under the
// program's own application object.
#include "gui/QloApplication.h"
#include "platform/IniFile.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    quillo::TQloApplication app(argc, argv);
    // Every main window made here writes its installation record: into this run's
    // own folder, never the machine's.
    QTemporaryDir system;
    quillo::SetInstallRecordFile(system.filePath(QStringLiteral("Brackwater/Quillo.conf")).toStdString());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
