#pragma once
// The rules of the options dialog, without a screen: what its controls show when it
// opens (OptionsState from the program-wide arrays) and how OK stores them back, one
// setting at a time and only where the value differs (SetOption), so that OK without
// an edit reports no change.
//
// Loading writes two things at once, whatever closes the dialog: the open-report
// option is switched off when no viewer program exists, and the plot options are
// resized by the plot options dialog. Everything else reaches the arrays only on OK.
#include <array>
#include <cstdint>
#include <string>

#include "dialogs/exportname.h"  // FileExistsTest
#include "runtime/variant.h"

namespace nuvir {

// Page indices of the dialog, and the index convention of its category controls.
namespace optpage {
inline constexpr int kCalculation = 0;
inline constexpr int kPlots = 1;
inline constexpr int kReports = 2;
inline constexpr int kExports = 3;
inline constexpr int kAppearance = 4;
}  // namespace optpage
inline constexpr int kImpactIndex = 3;  // chkOptions(3), updNumCats(3), grid 3: items 42, 44, 78
inline constexpr int kCostIndex = 4;    // chkOptions(4), updNumCats(4), grid 4: items 43, 45, 79

// What the dialog's controls hold.
struct OptionsState {
    std::array<std::string, 7> colours;         // txtColours: colour texts
    std::array<bool, 5> checks{};               // chkOptions(0..4)
    bool openReportEnabled = false;             // chkOptions(1) enabled: a viewer exists
    std::int32_t decimals = 2;                  // updDecPlace, 1..4
    std::array<std::int32_t, 2> numCats{1, 1};  // updNumCats(3), (4): 1..5
    // Grid 3 and 4: cells (0 To 0, 0 To N-1) on loading; what OK stores is the Double
    // form of what the grids then hold.
    std::array<Variant, 2> categories;
    std::array<bool, 3> exports{};  // chkExport(0..2)
    std::string exportFolder;       // m_sExportFolder
    std::int32_t plotType = 0;      // 0..5
};

class OptionsModel {
public:
    // Works on the given arrays and export folder (the program-wide ones by default).
    OptionsModel(Variant* appData = nullptr, Variant* appOptions = nullptr, std::string* exportPath = nullptr);

    bool OptionsChanged = false;

    // Stores the value into AppData (isOption False, 0..79) or AppOptions (0..18) when
    // it differs from the stored one, and flags the change. Arrays (items 78 and 79,
    // option 12, anything stored as an array) are compared by kind, bounds and contents,
    // everything else as values (an Int16 5 equals an Int32 5). Other indices: ignored.
    void SetOption(int index, const Variant& value, bool isOption);

    // The controls' values. Switches option 8 off at once when no viewer program
    // exists. The requested plot type is clamped into 0..5.
    OptionsState Load(double plotType, const FileExistsTest& exists);
    // OK: everything in the dialog's order through SetOption, then the export folder.
    void Apply(const OptionsState& state);

    Variant& Data() const;
    Variant& Options() const;

private:
    Variant* appData_;
    Variant* appOptions_;
    std::string* exportPath_;
};

// The cell array a category grid starts with: a stored Double row table (0 To 0, ...)
// cut or padded with 0 to n values; anything else gives the default row (1s for
// impacts, 0s for costs).
Variant CategoryCellsFromStored(const Variant& stored, std::int32_t n, bool cost);
// The cells for a new count: the last ones dropped, or one more holding "1" (impacts)
// or "0" (costs).
Variant ResizeCategoryCells(Variant cells, std::int32_t n, bool cost);
// What a category cell holds after its edit: its text when numeric, else "1" or "0".
std::string ValidCategoryText(const Variant& value, bool cost);
// OK's reading of a colour text: ParseColour, with 0 for a number beyond 32 bits.
std::int32_t ColourFromText(const std::string& text);

}  // namespace nuvir
