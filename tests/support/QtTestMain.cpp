// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>

// Widgets need one application object for the whole program; every case shares it. Without a
// display named, the windows draw off screen.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
