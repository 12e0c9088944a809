// Test programs that need a QApplication: their entry (offscreen unless told otherwise, Turkish
// number settings) and waiting for what the event loop brings.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>

#include <functional>

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

// Handles events until done() holds or the bound runs out; returns done().
inline bool waitUntil(const std::function<bool()>& done, int boundMs = 30000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < boundMs)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}
