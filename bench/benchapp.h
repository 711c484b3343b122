#pragma once
// The one application object of the benchmarks that need fonts, images or widgets, on
// the offscreen platform: Qt allows one per process, whichever benchmark asks first.
#include <QApplication>

#include "appdata/appdata.h"
#include "appdata/options.h"

inline QApplication& BenchApplication() {
    static int argc = 1;
    static char name[] = "nuvir_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

// The default assessment and options, as a new window starts with them.
inline void LoadDefaultData() {
    nuvir::AppData = nuvir::GetAppDataDefaults(true, nuvir::Variant());
    nuvir::AppOptions = nuvir::GetAppOptionsDefaults();
}
