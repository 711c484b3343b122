#include "dialogs/optionsmodel.h"

#include <algorithm>

#include "appdata/appdata.h"
#include "appdata/codetables.h"
#include "chain/categorydata.h"
#include "runtime/convert.h"
#include "utilities/criticalcorrelation.h"

namespace nuvir {

namespace {

std::int32_t WholeIn(const Variant& v, std::int32_t low, std::int32_t high, std::int32_t fallback) {
    double x = fallback;
    TryStep([&] { x = RoundHalfEven(CDbl(v)); });
    return static_cast<std::int32_t>(std::clamp(x, static_cast<double>(low), static_cast<double>(high)));
}

// Row 0 of the category data's default table (1s for impacts, 0s for costs), n long.
Variant DefaultCategoryRow(std::int32_t n, bool cost) {
    CCategoryData data;
    data.SetObjectType(cost ? CCategoryData::kCost : CCategoryData::kImpact);
    const Variant table = data.DefaultArray();
    Variant row = Variant::MakeArray(VarType::Double, {Bounds{0, 0}, Bounds{0, n - 1}});
    // The default's count is the program-wide one; a model on other arrays may differ.
    for (std::int32_t j = 0; j < n; ++j) row(0, j) = table(0, std::min(j, table.ubound(2)));
    return row;
}

}  // namespace

OptionsModel::OptionsModel(Variant* appData, Variant* appOptions, std::string* exportPath)
    : appData_(appData), appOptions_(appOptions), exportPath_(exportPath) {}

Variant& OptionsModel::Data() const { return appData_ != nullptr ? *appData_ : AppData; }
Variant& OptionsModel::Options() const { return appOptions_ != nullptr ? *appOptions_ : AppOptions; }

void OptionsModel::SetOption(int index, const Variant& value, bool isOption) {
    Variant& target = isOption ? Options() : Data();
    const int last = isOption ? opt::kCount - 1 : item::kCount - 1;
    if (index < 0 || index > last || target.dims() != 1 || index > target.ubound(1)) return;
    const Variant& stored = target(index);
    const bool asArrays = stored.isArray() || value.isArray() ||
                          (isOption ? index == opt::kExportFormats
                                    : index == item::kMasterImpactCategories || index == item::kMasterCostCategories);
    bool same = false;
    if (asArrays) {
        same = MKelvaro::ArraysEqual(stored, value);
    } else {
        // A Null or a text against a number has no ordinary answer: it differs.
        TryStep([&] { same = VarEquals(stored, value); });
    }
    if (same) return;
    target(index) = value;
    OptionsChanged = true;
}

OptionsState OptionsModel::Load(double plotType, const FileExistsTest& exists) {
    const Variant& data = Data();
    Variant& options = Options();
    OptionsState s;
    for (int i = 0; i < 7; ++i) {
        TryStep([&] { s.colours[static_cast<std::size_t>(i)] = MKelvaro::ColourName(CLng(ItemOrEmpty(options, i))); });
    }
    s.checks[0] = WholeIn(ItemOrEmpty(data, item::kPrng), -1000, 1000, 0) != 0;
    const std::string viewer = TextOf(ItemOrEmpty(options, opt::kReportViewer));
    s.openReportEnabled = !viewer.empty() && exists && exists(viewer);
    if (s.openReportEnabled) {
        s.checks[1] = ItemFlag(options, opt::kOpenReport);
    } else if (options.dims() == 1 && opt::kOpenReport <= options.ubound(1)) {
        // Directly, not through SetOption: this alone is no change the caller must act on.
        options(opt::kOpenReport) = Variant(false);
    }
    s.checks[2] = ItemFlag(options, opt::kHideCosts);
    s.checks[3] = ItemFlag(data, item::kCategoricalImpacts);
    s.checks[4] = ItemFlag(data, item::kCategoricalCosts);
    s.decimals = WholeIn(ItemOrEmpty(options, opt::kDecimals), 1, 4, 2);
    for (int k = 0; k < 2; ++k) {
        const bool cost = k == 1;
        const int countItem = cost ? item::kNumCostCategories : item::kNumImpactCategories;
        const std::int32_t n = WholeIn(ItemOrEmpty(data, countItem), 1, 5, 1);
        s.numCats[static_cast<std::size_t>(k)] = n;
        s.categories[static_cast<std::size_t>(k)] = CategoryCellsFromStored(
            ItemOrEmpty(data, cost ? item::kMasterCostCategories : item::kMasterImpactCategories), n, cost);
    }
    const std::vector<bool> ticks = ExportTicksFromOption(ItemOrEmpty(options, opt::kExportFormats), 3);
    std::copy(ticks.begin(), ticks.end(), s.exports.begin());
    s.exportFolder = exportPath_ != nullptr ? *exportPath_ : ExportPath;
    // Outside 0..5 no list entry could be selected and the "..." button would fail.
    s.plotType = WholeIn(Variant(plotType), 0, 5, 0);
    return s;
}

void OptionsModel::Apply(const OptionsState& s) {
    for (int i = 0; i < 7; ++i) SetOption(i, Variant(ColourFromText(s.colours[static_cast<std::size_t>(i)])), true);
    SetOption(item::kPrng, Variant(s.checks[0] ? 1 : 0), false);
    SetOption(opt::kOpenReport, Variant(s.checks[1]), true);
    SetOption(opt::kHideCosts, Variant(s.checks[2]), true);
    SetOption(item::kCategoricalImpacts, Variant(s.checks[3]), false);
    SetOption(item::kCategoricalCosts, Variant(s.checks[4]), false);
    SetOption(opt::kDecimals, Variant(s.decimals), true);
    SetOption(item::kNumImpactCategories, Variant(s.numCats[0]), false);
    SetOption(item::kNumCostCategories, Variant(s.numCats[1]), false);
    SetOption(item::kMasterImpactCategories, s.categories[0], false);
    SetOption(item::kMasterCostCategories, s.categories[1], false);
    SetOption(opt::kExportFormats, ExportOptionFromTicks(std::vector<bool>(s.exports.begin(), s.exports.end())), true);
    std::string& exportPath = exportPath_ != nullptr ? *exportPath_ : ExportPath;
    if (exportPath != s.exportFolder) {
        exportPath = s.exportFolder;
        OptionsChanged = true;
    }
}

// ---- the category tables --------------------------------------------------------------

Variant CategoryCellsFromStored(const Variant& stored, std::int32_t n, bool cost) {
    Variant row;
    if (stored.dims() == 2 && stored.elemKind() == VarType::Double && stored.lbound(1) == 0 && stored.ubound(1) == 0) {
        row = stored;
        row.redimPreserve(row.lbound(2) + n - 1);
    } else {
        row = DefaultCategoryRow(n, cost);
    }
    Variant cells = Variant::MakeArray(VarType::Generic, {Bounds{0, 0}, row.bounds(2)});
    for (std::int32_t j = row.lbound(2); j <= row.ubound(2); ++j) cells(0, j) = row(0, j);
    return cells;
}

Variant ResizeCategoryCells(Variant cells, std::int32_t n, bool cost) {
    if (cells.dims() != 2) return cells;
    const std::int32_t oldLast = cells.ubound(2);
    cells.redimPreserve(cells.lbound(2) + n - 1);
    if (cells.ubound(2) > oldLast) cells(cells.lbound(1), cells.ubound(2)) = Variant(cost ? "0" : "1");
    return cells;
}

std::string ValidCategoryText(const Variant& value, bool cost) {
    if (!value.isEmpty() && IsNumeric(value)) return TextOf(value);
    return cost ? "0" : "1";
}

std::int32_t ColourFromText(const std::string& text) {
    std::int32_t colour = 0;
    // A number beyond 32 bits is as unreadable as any other text: black.
    TryStep([&] { colour = MKelvaro::ParseColour(text); });
    return colour;
}

}  // namespace nuvir
