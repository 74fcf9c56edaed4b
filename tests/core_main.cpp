// SPDX-License-Identifier: GPL-3.0-or-later
// Core tests run without widgets; a QCoreApplication gives QLocale, QCollator and
// QSignalSpy what they need.
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
