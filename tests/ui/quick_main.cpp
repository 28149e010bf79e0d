#include "quick_setup.h"

#include <QtQuickTest>

// Runs the tst_*.qml files next to this file.
QUICK_TEST_MAIN_WITH_SETUP(ui_quick, norvane::test::QuickSetup)
