#include "appdata/options.h"

#include <optional>

#include "appdata/appdata.h"
#include "appdata/appservices.h"
#include "appdata/codetables.h"
#include "appdata/ini.h"
#include "appdata/paths.h"
#include "numerics/numerics.h"
#include "runtime/convert.h"
#include "runtime/error.h"

namespace nuvir {

namespace {

constexpr const char* kColours = "App Colours";
constexpr const char* kAppearance = "Appearance";
constexpr const char* kReports = "Reports";
constexpr const char* kExport = "Export Options";
constexpr const char* kPlots = "Plot Options";

// Keys of the colour items 0 to 6.
constexpr const char* kColourKeys[7] = {"pBox", "IBox", "Oval", "Diamond", "FixedCost", "Error", "Plot Background"};
// Keys of the plot option items 13 to 18.
constexpr const char* kPlotKeys[6] = {"PandI Monte Carlo", "PandI Sensitivity", "PandI Cumulative",
                                      "Costs Monte Carlo", "Costs Sensitivity", "Costs Cumulative"};
constexpr std::int32_t kDefaultColours[7] = {0x00FF00, 0xFFFF00, 0x00FFFF, 0xC0C0C0, 0xFFFFFF, 0x0000FF, 0xC0C0C0};

constexpr const char* kHideCostsKey = "Hide Management Options";
constexpr const char* kDecimalsKey = "Probability Decimal Places";
constexpr const char* kOpenReportKey = "Open After Generation";
constexpr const char* kFormatsKey = "Formats";

}  // namespace

double PlotTickCount(double ticks) { return MathFunctions::Max(MathFunctions::Min(RoundHalfEven(ticks), 100), 3); }

void NormalisePlotAxisOptions(Variant& axis) {
    if (axis.dims() != 1) return;
    auto number = [&](int i) -> std::optional<double> {
        if (i < axis.lbound(1) || i > axis.ubound(1)) return std::nullopt;
        const Variant& v = axis(i);
        if (v.isEmpty() || v.isArray() || !IsNumeric(v)) return std::nullopt;
        double x = 0;
        if (!TryStep([&] { x = CDbl(v); })) return std::nullopt;
        return x;
    };
    for (const int first : {0, 4}) {
        if (const auto ticks = number(first + 2)) axis(first + 2) = Variant(PlotTickCount(*ticks));
        const auto low = number(first), high = number(first + 1);
        if (low && high && !(*low < *high)) {
            axis(first) = Variant();
            axis(first + 1) = Variant();
        }
    }
}

std::string GetOptionsIniFileName() { return MUtilities::AddBackslash(App().path) + App().exeName + "Options.ini"; }

Variant GetAppOptionsDefaults() {
    Variant options = Variant::MakeArray(VarType::Generic, {Bounds{0, opt::kCount - 1}});
    for (int i = 0; i < 7; ++i) options(i) = Variant(kDefaultColours[i]);
    options(opt::kHideCosts) = Variant(false);
    options(opt::kOpenReport) = Variant(false);
    options(opt::kDecimals) = Variant(std::int16_t{2});
    // One element kind for the formats everywhere (generic Booleans), so comparing an
    // unchanged choice with a copy never reports a change.
    options(opt::kExportFormats) = Variant::List({Variant(false), Variant(false), Variant(false)});
    for (int i = 0; i < 6; ++i) options(opt::kPlotOptions + i) = Variant::MakeArray(VarType::Generic, {Bounds{0, 7}});
    return options;
}

Variant OptionOrDefault(int index) {
    Variant v = ItemOrEmpty(AppOptions, index);
    if (!v.isEmpty()) return v;
    static const Variant defaults = GetAppOptionsDefaults();
    return defaults(index);
}

Variant LoadAppOptions() {
    Variant options = GetAppOptionsDefaults();
    const std::string file = GetOptionsIniFileName();
    if (FileFunctions::FileExists(file)) {
        for (int i = 0; i < 7; ++i) {
            TryStep([&] {
                const Variant current(MKelvaro::ColourName(CLng(options(i))));
                const Variant text = ReadIniValue(file, kColours, kColourKeys[i], current, ini::kText);
                options(i) = Variant(MKelvaro::ParseColour(CStr(text)));
            });
        }
        auto read = [&](int index, const char* section, const char* key, int code, int count = 3) {
            TryStep([&] { options(index) = ReadIniValue(file, section, key, options(index).get(), code, count); });
        };
        read(opt::kHideCosts, kAppearance, kHideCostsKey, ini::kBoolean);
        read(opt::kDecimals, kAppearance, kDecimalsKey, ini::kInt32);
        read(opt::kOpenReport, kReports, kOpenReportKey, ini::kBoolean);
        for (int i = 0; i < 6; ++i) {
            read(opt::kPlotOptions + i, kPlots, kPlotKeys[i], ini::kValueList, 8);
            TryStep([&] { NormalisePlotAxisOptions(options(opt::kPlotOptions + i).raw()); });
        }
        read(opt::kExportFormats, kExport, kFormatsKey, ini::kBooleanList, 3);
    }
    TryStep([&] {
        if (MainFormHost* form = MainWindowHost()) form->SetHideManagementCostsChecked(CBool(options(opt::kHideCosts)));
    });
    TryStep([&] {
        options(opt::kDecimals) =
            MathFunctions::Min(Variant(std::int16_t{4}),
                               MathFunctions::Max(Variant(std::int16_t{1}), options(opt::kDecimals)));
    });
    return options;
}

std::vector<IniEntry> AppOptionsEntries(const Variant& options) {
    std::vector<IniEntry> entries;
    // A value that has no text is left out, so the others are still kept.
    auto add = [&](const char* section, const char* key, auto&& value) {
        TryStep([&] {
            Variant v = value();
            IniText(v);
            entries.push_back({section, key, std::move(v)});
        });
    };
    for (int i = 0; i < 7; ++i)
        add(kColours, kColourKeys[i], [&] { return Variant(MKelvaro::ColourName(CLng(options(i)))); });
    add(kAppearance, kHideCostsKey, [&] { return options(opt::kHideCosts); });
    add(kAppearance, kDecimalsKey, [&] { return options(opt::kDecimals); });
    add(kReports, kOpenReportKey, [&] { return options(opt::kOpenReport); });
    add(kExport, kFormatsKey, [&] { return options(opt::kExportFormats); });
    return entries;
}

void SaveAppOptions(const Variant& options) {
    const std::vector<IniEntry> entries = AppOptionsEntries(options);
    if (!entries.empty()) TryStep([&] { WriteIniValues(GetOptionsIniFileName(), entries); });
}

}  // namespace nuvir

namespace nuvir::MKelvaro {

std::string FormatDecimals(double x, const Variant& options) {
    return FormatDecimals(x, CLng(options(opt::kDecimals)));
}

std::string FormatDecimals(double x) { return FormatDecimals(x, AppOptions); }

}  // namespace nuvir::MKelvaro
