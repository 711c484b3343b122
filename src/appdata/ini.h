#pragma once
// Typed values in INI-style files, and the program INI and assessment files ("*.raf")
// that hold one assessment. Every call reads or rewrites the file; nothing is cached.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/variant.h"

namespace nuvir::profile {
class Contents;
}  // namespace nuvir::profile

namespace nuvir {

// Type codes of ReadIniValue.
namespace ini {
inline constexpr int kInt16 = 2;
inline constexpr int kInt32 = 3;
inline constexpr int kDouble = 5;
inline constexpr int kText = 8;
inline constexpr int kBoolean = 11;
inline constexpr int kDoubleList = 8197;   // Double (0 To count-1), pieces not numeric give 0
inline constexpr int kBooleanList = 8203;  // generic (0 To count-1) of Booleans, never raises
inline constexpr int kValueList = 8204;    // generic (0 To count-1) of Double or Empty
inline constexpr int kTable = 16389;       // Double (0 To rows-1, 0 To count-1), Empty on failure
}  // namespace ini

// Reads one key and converts its text by the type code. A key that gives no text
// (missing file, section or key, empty value) returns the default unchanged. Codes 2, 3,
// 5 and 11 raise the conversion error of a text out of range or not a Boolean.
Variant ReadIniValue(const std::string& file, const std::string& section, const std::string& key,
                     const Variant& defaultValue, int typeCode, int count = 3, int rows = 2);

// The text form a value is written as: a list joined by ",", a table's rows joined by
// ",", no text (deleting the key) for an array of any other rank. Raises for a value
// that has no text (an object, an error).
std::optional<std::string> IniText(const Variant& value);

// Writes the value's text form: a list joined by ",", a table's rows joined by ",", an
// array of any other rank as no text (which deletes the key). Returns success; a failure
// with raiseOnFail raises 255 "WritePrivateProfileString failed.".
bool WriteIniValue(const std::string& file, const std::string& section, const std::string& key, const Variant& value,
                   bool raiseOnFail);
// Several values written as WriteIniValue writes each, in one write of the file: it takes
// all of them or, when it refuses, none (False; profile::LastFailure tells why). A value
// without a text form raises before anything is written.
struct IniEntry {
    std::string section, key;
    Variant value;
};
bool WriteIniValues(const std::string& file, const std::vector<IniEntry>& entries);

// A Double table (0 To rows-1, 0 To count-1) filled row by row from the comma pieces
// of the text (cut or padded, pieces not numeric 0); Empty on any failure.
Variant ParseCategoryArray(std::string_view text, int count, int rows);

// ---- program INI and assessment files ----------------------------------------------
// The program INI: the program's folder, the executable's name, ".ini".
std::string GetIniFileName();

// The defaults overlaid with the keys of the file ("" is the program INI). The two
// regression keys are read only when firstActivation is set. Never raises. A file that
// is missing, unreadable or refused (after its message) gives the defaults and sets
// *unread, so that a caller opening it can keep what it had.
Variant LoadAppData(const std::string& fileName, bool firstActivation, const Variant& currentAppData,
                    bool* unread = nullptr);
// The same with the main window's start-up state and the program-wide AppData.
Variant LoadAppData(const std::string& fileName, bool* unread = nullptr);
// The same on a named file's contents as the caller read them (profile::Contents::Load),
// so that what it looked at (was the file in use?) is what is loaded, not a second read
// that another copy may have locked in between.
Variant LoadAppData(const std::string& fileName, const profile::Contents& contents, bool* unread = nullptr);

// Writes the array to the file ("" is the program INI), replacing the file whole, in
// UTF-8, or in UTF-16 with the same byte-order mark when the file it replaces is so.
// The species and location are written with their control characters and their line
// and paragraph separators (U+2028, U+2029) as blanks.
// On failure shows "File save error", leaves the old file as it was, returns False.
// raiseErrors False skips values that have no text instead of stopping; a write the file
// itself refuses (a full disk) keeps an existing old file and gives False, silently.
bool SaveAppData(const Variant& appData, const std::string& fileName, bool raiseErrors);
// The close's save of the program INI: SaveAppData(appData, "", false) with the two
// regression options "Reg Use Constant" and "Rho Two Tails" after "Software Version", in
// the same write, so that a file that refuses part of it keeps its old contents whole.
bool SaveProgramIni(const Variant& appData);

// The message of a save that failed: "The file "<file>" could not be written: <cause>."
// and "Please try again.".
std::string SaveFailureMessage(const std::string& file, std::string cause);

}  // namespace nuvir
