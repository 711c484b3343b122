#pragma once
// The one application object of the benchmarks that need fonts, images or widgets, on
// the offscreen platform: Qt allows one per process, whichever benchmark asks first.
#include <QApplication>

inline QApplication& BenchApplication() {
    static int argc = 1;
    static char name[] = "nuvir_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}
