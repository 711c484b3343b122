#include "mainwindow/settingsfolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <signal.h>
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
    // While the program starts, SIGTERM and SIGINT end it at once: held while the probe
    // exists, so that neither leaves it behind in the folder.
    sigset_t ending, before;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    ::pthread_sigmask(SIG_BLOCK, &ending, &before);
    bool made = false;
    {
        std::ofstream out(probe, std::ios::binary);
        made = static_cast<bool>(out);
    }
    if (made) fs::remove(probe, ec);
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return made;
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
