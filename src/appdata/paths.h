#pragma once
// Text helpers for file paths, the file dialog used by the file commands, and the
// version test of the report viewer.
//
// Paths are plain UTF-8 texts with "/" between folders; nothing here except the
// dialog touches the file system. ":" and "\" are ordinary characters of a name.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/filedialog.h"
#include "runtime/variant.h"

namespace nuvir::MUtilities {

// ---- path texts -----------------------------------------------------------------
// Each scans from the end of the text towards its start.

// Cuts the last "." and everything after it, unless a "/" comes first (the only "."
// is in a folder name) or there is no ".": then the path comes back unchanged.
// "/a/b.txt" gives "/a/b", "a.tar.gz" gives "a.tar", ".txt" gives "".
std::string RemoveExtension(std::string_view path);
// The text before the last "/", with a "/" appended when that is empty (the root).
// A path without "/" comes back unchanged. "/a/b.txt" gives "/a", "/b.txt" gives "/".
std::string GetPathPart(std::string_view path);
// The path with a "/" appended unless it already ends in one ("" gives "/").
std::string AddBackslash(std::string_view path);
// The text after the last "/", or the whole text when there is none.
std::string GetFileName(std::string_view path);
// At most three characters after the last "." anywhere in the text (a "/" does not
// stop the search); "" when there is no ".". "a.html" gives "htm".
std::string GetExtension(std::string_view name);
// True when the path names an existing folder (after symbolic links).
bool FolderExists(const std::string& folder);

// ---- file dialog ------------------------------------------------------------------
// Dialog modes of ShowFileDialog.
namespace filemode {
inline constexpr std::int16_t kOpenExisting = 1;  // open a file that must exist
inline constexpr std::int16_t kSave = 2;          // save, asking before overwriting
inline constexpr std::int16_t kOpenInFolder = 3;  // any name in a folder that must exist
}  // namespace filemode

// The extension text of a file pattern: what follows its first "." (the whole pattern
// without one), "All" for "*". "*.RAF" gives "RAF", "*.*" gives "All".
std::string PatternExtensionText(std::string_view pattern);

// What the dialog is asked to show for a mode, title, pattern and initial name. An
// initial name with a folder opens in that folder, otherwise in lastFolder; a name that
// holds a wildcard is not put into the name box.
FileDialogRequest BuildFileDialogRequest(std::int16_t mode, std::string_view title, std::string_view pattern,
                                         std::string_view initialName, std::string_view lastFolder);

// Shows the dialog and returns the chosen full path, or "" on cancel or any failure
// (never raises). A chosen file that must exist but does not, or whose folder must
// exist but does not, also gives "". The folder of a choice becomes the next dialog's
// starting folder.
std::string ShowFileDialog(FileDialogService& dialog, std::int16_t mode, std::string_view title,
                           std::string_view pattern, std::string_view initialName);
// The same on the program's dialog service.
std::string ShowFileDialog(std::int16_t mode, std::string_view title, std::string_view pattern,
                           std::string_view initialName);

// The folder the next dialog opens in: the process's working folder until a dialog
// has returned a choice, then the folder of the last choice.
std::string LastDialogFolder();
void SetLastDialogFolder(std::string folder);

// ---- file version -----------------------------------------------------------------
// The product version of a program file as a generic array (0 To 3) of numbers, or
// Empty. Program files on this platform carry no version resource: always Empty.
Variant GetFileVersion(const std::string& path);
// True when the version (an array 0 To 3 as GetFileVersion gives) is at least the
// dotted required text of four parts, compared as versions are ordered: the first part
// that differs decides. Anything else (no array, not four parts, a part that is not a
// whole number) gives False. Never raises.
bool VersionAtLeast(const Variant& version, std::string_view required);
// VersionAtLeast on the file's version; False for a file without one.
bool IsVersionAtLeast(const std::string& path, std::string_view required);

}  // namespace nuvir::MUtilities
