// SPDX-License-Identifier: GPL-3.0-or-later
// Test programs run with a real QApplication (offscreen platform unless a display is asked
// for), so serial events, timers and widgets behave as in the program.
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
