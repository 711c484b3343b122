#pragma once
// The application's facts (program folder, executable name, version), injectable so
// tests point the program folder at a temporary folder. Messages go through the
// platform's message-box service (platform/services.h).
#include <string>

namespace nuvir {

struct AppFacts {
    std::string path;     // the program's folder, "/" separators, no trailing "/"
    std::string exeName;  // the executable's name without extension
    int major = 3;
    int minor = 2;
};

// The facts in use. Until SetAppFacts is called: the folder and name of the running
// executable, version 3.2.
const AppFacts& App();
void SetAppFacts(AppFacts facts);
// Only the program folder, as tests need.
void SetAppPath(const std::string& folder);

// The running version, major "." minor, as a number (3.2).
double RunningVersion();

}  // namespace nuvir
