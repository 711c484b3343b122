#pragma once
// Where the program keeps its two settings files, decided once at start-up: the
// program's own folder when it can be written to, else the user's configuration
// folder ($XDG_CONFIG_HOME/nuvir, by default ~/.config/nuvir). The folders offered
// for reports, assessments, batch files and exports start in the program's folder
// when it is writable, else in the user's home folder.
#include <functional>
#include <string>

namespace nuvir {

struct ProgramFolders {
    std::string settings;
    std::string documents;
};

// The decision, from the program folder and the environment's folders; `writable`
// answers whether a folder accepts new files (tests inject a refusal).
ProgramFolders ChooseProgramFolders(const std::string& programFolder, const std::string& xdgConfigHome,
                                    const std::string& home, const std::function<bool(const std::string&)>& writable);

// Whether a new file can be made in the folder (a file is created and removed).
bool FolderAcceptsFiles(const std::string& folder);

// The decision for the running program, its configuration folder created when chosen.
ProgramFolders DecideProgramFolders(const std::string& programFolder);

}  // namespace nuvir
