#include "app/shell/WindowMessages.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Window tests never need a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QORVANT"));
    QApplication::setQuitOnLastWindowClosed(false);
    MessageBridge bridge;
    return RUN_ALL_TESTS();
}
