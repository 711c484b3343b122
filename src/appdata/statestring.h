#pragma once
// The state string: one assessment of the application data as a single line of
// KEY=VALUE fields separated by ";" (form 0), and the same fields as a line of
// comma-separated values (form 1) under a header line of field names (form 2). The
// batch window captures assessments with form 0, writes its output with forms 2 and 1,
// and has each captured line read back into the application data.
//
// These belong to the main window's interface; they work on any application data array
// so that they run, and are tested, without a window.
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/variant.h"

namespace nuvir {

namespace stateform {
inline constexpr std::int32_t kStateString = 0;  // KEY=VALUE;KEY=VALUE..., upper case
inline constexpr std::int32_t kValues = 1;       // the values joined by ","
inline constexpr std::int32_t kHeader = 2;       // the keys joined by ","
}  // namespace stateform

// The fields of the array in item order, in the given form. A conversion that fails (a
// record whose elements are not numbers, an item with no text form) raises to the
// caller; a distribution code that names no distribution, however large, is written
// "?". Every form writes a control character (BlankControls) inside the species and
// location names as a blank, and form 0 a ";" or "=" too, so a name can never split its
// line, forge a field or carry what no one sees.
std::string SerialiseState(const Variant& appData, std::int32_t form);

// Reads a state string into the array: every field it understands sets its items,
// numbers are held within their ranges, control characters in names become blanks,
// anything else is skipped. Raises only for a species or location name longer than
// kMaxNameChars, refused rather than cut (fields before it are read). runningVersion
// caps the data version ("VN"). The array is left as an opened file would hold it: each
// category table has as many columns as the counts ("NUMI", "NUMC") give at the end of
// the line, wherever they stand in it, so a table and its count never disagree and what
// is read writes back as the same line.
void DeserialiseState(Variant& appData, std::string_view spec, double runningVersion);
// The same on the program-wide AppData with the running program's version.
void DeserialiseState(std::string_view spec);

}  // namespace nuvir
