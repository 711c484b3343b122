#pragma once
// The one application object of the benchmarks that need fonts, images or widgets, on
// the offscreen platform: Qt allows one per process, whichever benchmark asks first.
// The benchmarks' main deletes it when they are done: a static one would be destroyed
// after Qt's own globals, and the program would end in a crash.
#include <QApplication>

#include <utility>

#include "appdata/appdata.h"
#include "appdata/options.h"

inline QApplication*& BenchApplicationSlot() {
    static QApplication* app = nullptr;
    return app;
}

inline QApplication& BenchApplication() {
    static int argc = 1;
    static char name[] = "nuvir_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication*& app = BenchApplicationSlot();
    if (app == nullptr) app = new QApplication(argc, argv);
    return *app;
}

// Deletes the application object, if a benchmark made one.
inline void EndBenchApplication() { delete std::exchange(BenchApplicationSlot(), nullptr); }

// The default assessment and options, as a new window starts with them.
inline void LoadDefaultData() {
    nuvir::AppData = nuvir::GetAppDataDefaults(true, nuvir::Variant());
    nuvir::AppOptions = nuvir::GetAppOptionsDefaults();
}
