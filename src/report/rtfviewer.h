#pragma once
// The program that opens a finished report: the one the desktop associates with RTF
// files. Its desktop entry names a command; the report needs the program itself, as a
// path, so that it can test that the program exists and start it with the report's
// path as its one argument.
#include <string>

namespace nuvir {

// Looked up once at start-up: writes the template when it is missing, then returns the
// path of the program associated with it, or "" when there is none (or no template).
// Sets options item 10 (the viewer is Word 10 or later), which is never so here.
std::string FindRtfViewer();

// The program of a desktop entry (e.g. "libreoffice-writer.desktop"), found in the
// "applications" folder of the XDG data folders: the first word of its Exec line after
// any "env" and VAR=value words, resolved on PATH. "" when the entry, its Exec line or
// the program cannot be found.
std::string DesktopEntryProgram(const std::string& desktopId);

}  // namespace nuvir
