#pragma once
// The application data array: one assessment held as 80 dynamically typed items, and
// the options array: the analyst's 19 settings. Both are program-wide and every part of
// the program reads and writes them by item number. Items change kind with their source
// (item 2 is a 16-bit integer from the defaults and a 32-bit one from a file), so readers
// convert what they read and never test the kind.
//
// The operations below belong to the main window's interface (its start-up, File New,
// File Open and the batch window call them); they live here as plain functions so that
// they work, and are tested, before the window exists. The window will delegate to them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/variant.h"

namespace nuvir {

// ---- item numbers of the application data ------------------------------------------
namespace item {
inline constexpr int kCount = 80;  // items 0 to 79

inline constexpr int kSpecies = 0;
inline constexpr int kLocation = 1;
inline constexpr int kTrials = 2;
inline constexpr int kNumRelUncLevels = 3;  // 4 or 5
inline constexpr int kLevel0 = 4;           // percentages of the certainty levels: 4 to 8
inline constexpr int kLevel4 = 8;
inline constexpr int kRelative = 9;          // relative record of quantity ID: kRelative + ID (9 to 21)
inline constexpr int kAbsolute = 22;         // absolute record of quantity ID: kAbsolute + ID (22 to 34)
inline constexpr int kUncertaintyMode = 35;  // 0 relative, 1 absolute
inline constexpr int kPrng = 36;             // 0 built-in generator, 1 custom generator
inline constexpr int kPrngSeed = 37;
inline constexpr int kConfidenceChoice = 38;  // 0 "90 %", 1 "95 %", 2 "99 %"
inline constexpr int kRegUseConstant = 39;
inline constexpr int kRhoTwoTails = 40;
inline constexpr int kConformCategories = 41;
inline constexpr int kCategoricalImpacts = 42;
inline constexpr int kCategoricalCosts = 43;
inline constexpr int kNumImpactCategories = 44;  // 1 to 5
inline constexpr int kNumCostCategories = 45;    // 1 to 5
inline constexpr int kSoftwareVersion = 46;
inline constexpr int kPointValue = 47;     // point value of quantity ID: kPointValue + ID (47 to 59)
inline constexpr int kOutcomeRisk = 60;    // point risks of the five outcomes: 60 to 64
inline constexpr int kStageCost = 65;      // point expected costs of the four stages: 65 to 68
inline constexpr int kCategoryTable = 65;  // category table of quantity ID 4 to 12: 65 + ID (69 to 77)
inline constexpr int kMasterImpactCategories = 78;
inline constexpr int kMasterCostCategories = 79;

// Quantity identifiers, in the fixed order p1..p4, I1..I5, F1..F4.
inline constexpr int kQuantities = 13;
inline constexpr int kP1 = 0;
inline constexpr int kI1 = 4;
inline constexpr int kF1 = 9;
// A quantity by the number in its name: P(1)..P(4), I(1)..I(5), F(1)..F(4).
inline constexpr int P(int n) { return kP1 + n - 1; }
inline constexpr int I(int n) { return kI1 + n - 1; }
inline constexpr int F(int n) { return kF1 + n - 1; }

inline constexpr int Relative(int id) { return kRelative + id; }
inline constexpr int Absolute(int id) { return kAbsolute + id; }
inline constexpr int PointValue(int id) { return kPointValue + id; }
inline constexpr int CategoryTable(int id) { return kCategoryTable + id; }  // id 4 to 12
}  // namespace item

// ---- item numbers of the options ---------------------------------------------------
namespace opt {
inline constexpr int kCount = 19;  // items 0 to 18

inline constexpr int kColourPBox = 0;  // colours 0 to 6, 24-bit blue-green-red in 32-bit integers
inline constexpr int kColourIBox = 1;
inline constexpr int kColourOval = 2;
inline constexpr int kColourDiamond = 3;
inline constexpr int kColourFixedCost = 4;
inline constexpr int kColourError = 5;
inline constexpr int kColourPlotBackground = 6;
inline constexpr int kHideCosts = 7;
inline constexpr int kOpenReport = 8;
inline constexpr int kReportViewer = 9;    // set at start-up, never stored
inline constexpr int kViewerIsWord = 10;   // set at start-up, never stored
inline constexpr int kDecimals = 11;       // 1 to 4
inline constexpr int kExportFormats = 12;  // generic array (0 To 2) of Booleans: CSV, SAM, TXT
inline constexpr int kPlotOptions = 13;    // six plot-axis option arrays: 13 to 18
inline constexpr int kPlotPandIMonteCarlo = 13;
inline constexpr int kPlotPandISensitivity = 14;
inline constexpr int kPlotPandICumulative = 15;
inline constexpr int kPlotCostsMonteCarlo = 16;
inline constexpr int kPlotCostsSensitivity = 17;
inline constexpr int kPlotCostsCumulative = 18;
}  // namespace opt

// ---- the two program-wide arrays ---------------------------------------------------
// Generic arrays (0 To 79) and (0 To 18) once the main window has loaded them at
// start-up; Empty before. Replaced whole by the operations that load or reset them.
extern Variant AppData;
extern Variant AppOptions;
// Element index of a one-dimensional array such as these two; Empty when the array is
// not loaded or has no such element.
Variant ItemOrEmpty(const Variant& array, int index);

// The four last-used folders of the main window, kept in the options INI.
extern std::string ReportPath;
extern std::string SavePath;
extern std::string BatchPath;
extern std::string ExportPath;

// An item of the data or options array as a Boolean: false while the array is not
// loaded or when the item does not convert.
bool ItemFlag(const Variant& array, int index);
// An item of an array as a number: the fallback while the array is not loaded, when it
// has no such element or when the item does not convert (text that is no number, Null,
// an array). An Empty item converts, to 0, and so does not give the fallback.
double ItemNumber(const Variant& array, int index, double fallback = 0);

// The main window's start-up state: True from the program's start (and again from the
// making of a main window) until the one-time start-up of the window's first activation
// has finished. The window keeps no copy: it reads and sets it here.
bool FirstActivation();
void SetFirstActivation(bool value);

// What the data layer needs of the main window: its background colour and the check
// mark of the "&Hide Management Costs" menu entry. The window registers itself on its
// first activation and unregisters when it closes; tests register a fake.
class MainFormHost {
public:
    virtual ~MainFormHost() = default;
    // Background colour, 24-bit blue-green-red.
    virtual std::int32_t BackColor() const = 0;
    virtual void SetHideManagementCostsChecked(bool checked) = 0;
};
// The registered main window, or nullptr.
MainFormHost* MainWindowHost();
void SetMainWindowHost(MainFormHost* form);

// ---- operations on the application data --------------------------------------------
// Sets the items of a new assessment (0, 1, 9 to 35, 47 to 59, 69 to 77) in the given
// array and returns it; other items are left as they are. An array with fewer than 80
// items is first extended (keeping its items) so the assignments cannot fail.
Variant& FillNewStateData(Variant& appData);

// The name offered for saving an assessment: the species and the location, each with
// every blank made "_" and cut to 10 characters, joined by "_" (the location's part
// only when it is not empty, the species' likewise). "/" and each control character
// (below U+0020, DEL, U+0080 to U+009F) become "_" too, so the name never reaches into
// another folder nor holds what no one sees; characters are counted, not bytes.
std::string DefaultStateFileName(const Variant& appData);
// The same on the program-wide AppData.
std::string DefaultStateFileName();

// A new application data array with the built-in defaults. Items 39 and 40 are False
// and True during start-up, otherwise copied from the current array (when it holds them).
Variant GetAppDataDefaults(bool firstActivation, const Variant& currentAppData);
// The same with the main window's start-up state and the program-wide AppData.
Variant GetAppDataDefaults();

// Item 3 of the array as an integer when the value is an array, else 4. A value that
// does not convert raises the conversion error.
std::int32_t GetNumRelUncLevels(const Variant& appData);

// The longest species or location name, in characters: what the reader of the files
// gives back whole. Every road in (the entry boxes, Open, the state string, Save)
// refuses a longer name with a message rather than cut it.
inline constexpr std::size_t kMaxNameChars = 4095;
// "" when the text fits as the name of item kSpecies or kLocation; otherwise the
// refusal's reason, as "a species name of 5000 characters is longer than the 4095 a
// name can have".
std::string NameLengthFault(int index, std::string_view text);

// The standard deviation of a uniform distribution from mean - percent % of it to
// mean + percent % of it: what a relative uncertainty level stands for in absolute terms.
// Finite whenever that deviation is, the largest double's included.
double UniformSpreadSD(double mean, double percent);

// What showing an assessment in the window makes of its values, for a road that runs
// it without showing it (a batch line): p1..p4 held to 0..1, and each quantity's value
// made element 0 of both its uncertainty records, so the run simulates the values an
// output row shows.
void HoldAsShown(Variant& appData);

// The absolute uncertainty records whose distribution code names no distribution (a
// hand-edited file can hold any number there, 1e10 among them): how many, and the first
// by its key in the files and its code, as "I1 (10000000000)".
struct DistributionFaults {
    int count = 0;
    std::string first;
};
DistributionFaults DistributionCodesAtFault(const Variant& appData);

namespace MKelvaro {
// The point outcomes of an assessment straight from its point values 47 to 59, without
// a chain: a generic array (60 To 68) of Doubles, R1..R4 (stopping at stage k), R5 (the
// completed invasion) and the expected costs of stages 1 to 4. R_k uses 1 - p_k, not a
// stored q. Each item is read through its general text form and its leading number, so
// what the user sees is what is computed; an unreadable item counts as 0. Never raises.
[[nodiscard]] Variant CalculateOutcomeRisks(const Variant& appData);
// Copies those nine values into items 60 to 68 of the array (what a batch run does
// after decoding a state string).
void StoreOutcomeRisks(Variant& appData);
}  // namespace MKelvaro

}  // namespace nuvir
