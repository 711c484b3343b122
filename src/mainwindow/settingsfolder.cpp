#include "mainwindow/settingsfolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace nuvir {

ProgramFolders ChooseProgramFolders(const std::string& programFolder, const std::string& xdgConfigHome,
                                    const std::string& home, const std::function<bool(const std::string&)>& writable) {
    if (writable(programFolder)) return {programFolder, programFolder};
    const std::string config = !xdgConfigHome.empty() ? xdgConfigHome : home + "/.config";
    return {config + "/nuvir", home.empty() ? programFolder : home};
}

bool FolderAcceptsFiles(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return false;
    const fs::path probe = fs::path(folder) / (".nuvir-probe-" + std::to_string(::getpid()));
    {
        std::ofstream out(probe, std::ios::binary);
        if (!out) return false;
    }
    fs::remove(probe, ec);
    return true;
}

ProgramFolders DecideProgramFolders(const std::string& programFolder) {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    ProgramFolders folders =
        ChooseProgramFolders(programFolder, xdg != nullptr ? xdg : "", home != nullptr ? home : "", FolderAcceptsFiles);
    std::error_code ec;
    std::filesystem::create_directories(folders.settings, ec);
    return folders;
}

}  // namespace nuvir
