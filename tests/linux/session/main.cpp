#include "system_bus.h"

#include <QCoreApplication>

#include <cstdlib>
#include <gtest/gtest.h>

// Every test talks to one private bus set up like the system bus: the
// watcher reaches it as the system bus, through DBUS_SYSTEM_BUS_ADDRESS.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    norvane::testing::PrivateSystemBus bus;
    if (!bus.ok()) {
        std::fprintf(stderr, "cannot start dbus-daemon for a private system bus\n");
        return 1;
    }
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.address().toUtf8().constData(), 1);
    return RUN_ALL_TESTS();
}
