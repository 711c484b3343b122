#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "platform/services_qt.h"

int main(int argc, char** argv) {
    // Test discovery runs this binary at build time, without the tests' environment,
    // and a build machine often has no display.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    nuvir::InstallQtServices();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
