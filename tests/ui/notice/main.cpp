#include "test_desktop.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QQuickWindow>
#include <QTimer>

#include <cstdio>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    std::string error;
    const auto desktop = norvane::testing::TestDesktop::start(&error);
    if (!desktop) {
        std::fprintf(stderr, "notice_tests: %s\n", error.c_str());
        return 1;
    }
    // Before anything in Qt opens the display or the bus.
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("DISPLAY", QByteArray::fromStdString(desktop->display()));
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(desktop->busAddress()));
    // Mesa's GL driver leaks a little at exit, which the address sanitizer
    // reports; what these tests look at does not depend on the renderer.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) {
        qputenv("QT_QUICK_BACKEND", "software");
    }
    QGuiApplication app(argc, argv);
    const int result = RUN_ALL_TESTS();
    // The software scene graph frees the textures of destroyed images when
    // it next draws a frame, in any window: one more frame, or the address
    // sanitizer reports them at exit.
    QQuickWindow last;
    last.resize(8, 8);
    last.show();
    QEventLoop loop;
    QObject::connect(&last, &QQuickWindow::frameSwapped, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    return result;
}
