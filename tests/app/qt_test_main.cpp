#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The widget tests need a QApplication; without a display they use Qt's offscreen platform. The
// application reads and writes preferences.ini in the home folder: the tests get a home of their own.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
