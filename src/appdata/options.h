#pragma once
// The options array and the options INI (colours, appearance, reports, export formats,
// plot axis options; the main window's folders live in the same file).
#include <string>
#include <vector>

#include "appdata/ini.h"
#include "runtime/variant.h"
#include "utilities/formatting.h"

namespace nuvir {

// The options INI: the program's folder, the executable's name, "Options.ini".
std::string GetOptionsIniFileName();

// The default options array (before any file is read).
Variant GetAppOptionsDefaults();

// An item of the program-wide options, or its default while the options are not loaded
// or the item is missing or Empty. An index beyond the options raises.
Variant OptionOrDefault(int index);

// The defaults overlaid with the options INI. Sets the main window's hide-costs check
// mark from item 7 (when a main window is registered). Never raises.
Variant LoadAppOptions();

// A plot axis's tick count as the plot options take it: the nearest whole number
// (halves to even) held within 3..100.
double PlotTickCount(double ticks);

// The eight axis values of a plot (X, then Y: minimum, maximum, ticks, reference line)
// held to what the plot options dialog takes: tick counts into 3..100, and a minimum
// not below its maximum makes both automatic (Empty), so no axis is left without a
// span and no plot blank. Anything else is left as it is.
void NormalisePlotAxisOptions(Variant& axis);

// Items 0 to 8, 11 and 12 as the options INI's keys, in the file's order; an item
// without a text form is left out.
std::vector<IniEntry> AppOptionsEntries(const Variant& options);
// Writes them into the options INI, in one write, without removing other keys: the
// file takes them all or, refusing, keeps every old byte. Never raises.
void SaveAppOptions(const Variant& options);

}  // namespace nuvir

namespace nuvir::MKelvaro {

// x with the number of decimals taken from the options (item 11, rounded to an
// integer), as FormatDecimals(x, decimals) in utilities/formatting.h gives it. An
// options array without a readable item 11 raises the conversion error.
std::string FormatDecimals(double x, const Variant& options);
// The same on the program-wide options.
std::string FormatDecimals(double x);

}  // namespace nuvir::MKelvaro
