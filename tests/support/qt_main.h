// The entry of a test program that needs a QApplication: offscreen unless told otherwise, Turkish locale.
#pragma once

#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

inline int runQtTests(int argc, char** argv)
{
    // Test discovery runs the program outside CTest's environment, so the platform is set here too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
