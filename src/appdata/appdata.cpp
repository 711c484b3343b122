#include "appdata/appdata.h"

#include <algorithm>
#include <cmath>

#include "appdata/codetables.h"
#include "numerics/numerics.h"
#include "runtime/convert.h"
#include "runtime/error.h"

namespace nuvir {

Variant AppData;
Variant AppOptions;

std::string ReportPath;
std::string SavePath;
std::string BatchPath;
std::string ExportPath;

namespace {
bool g_firstActivation = true;
MainFormHost* g_mainForm = nullptr;

Variant Record(double first, double second, double third) { return Variant::Doubles({first, second, third}); }

// The array as a generic array (0 To 79) at least, keeping what it holds.
void EnsureItems(Variant& data) {
    if (data.dims() != 1) {
        data = Variant::MakeArray(VarType::Generic, {Bounds{0, item::kCount - 1}});
        return;
    }
    if (data.lbound(1) > 0 || data.ubound(1) < item::kCount - 1) {
        Variant grown = Variant::MakeArray(VarType::Generic, {Bounds{0, item::kCount - 1}});
        for (std::int32_t i = std::max(0, data.lbound(1)); i <= data.ubound(1) && i < item::kCount; ++i)
            grown(i) = data(i);
        data = std::move(grown);
    }
}
}  // namespace

bool ItemFlag(const Variant& array, int index) {
    bool on = false;
    if (array.isArray()) TryStep([&] { on = CBool(array(index)); });
    return on;
}

double ItemNumber(const Variant& array, int index, double fallback) {
    double v = fallback;
    TryStep([&] { v = CDbl(array(index)); });
    return v;
}

bool FirstActivation() { return g_firstActivation; }
void SetFirstActivation(bool value) { g_firstActivation = value; }

MainFormHost* MainWindowHost() { return g_mainForm; }
void SetMainWindowHost(MainFormHost* form) { g_mainForm = form; }

Variant& FillNewStateData(Variant& appData) {
    EnsureItems(appData);
    const double sd = 1.0 / std::sqrt(48.0);
    appData(item::kSpecies) = Variant("New Species");
    appData(item::kLocation) = Variant("New Location");
    for (int id = 0; id < item::kQuantities; ++id) {
        const double point = id < item::kI1 ? 0.5 : (id < item::kF1 ? 1.0 : 0.0);
        appData(item::Relative(id)) = Record(point, 0, 2);
        appData(item::Absolute(id)) = Record(point, 0, sd);
    }
    appData(item::kUncertaintyMode) = Variant(0);
    // The point values as the defaults have them: the whole numbers as 16-bit integers.
    for (int n = 1; n <= 4; ++n) appData(item::PointValue(item::P(n))) = Variant(0.5);
    for (int n = 1; n <= 5; ++n) appData(item::PointValue(item::I(n))) = Variant(std::int16_t{1});
    for (int n = 1; n <= 4; ++n) appData(item::PointValue(item::F(n))) = Variant(std::int16_t{0});
    for (int id = item::kI1; id < item::kQuantities; ++id) appData(item::CategoryTable(id)) = Variant();
    return appData;
}

namespace {

// The first 10 characters of a name for a file name: blanks, "/" and control characters
// (BlankControls: NUL, tab and the rest) become "_".
std::string FileNamePart(const std::string& raw) {
    const std::string name = BlankControls(raw);
    std::string out;
    int characters = 0;
    for (std::size_t i = 0; i < name.size() && characters < 10; ++characters) {
        const unsigned char lead = static_cast<unsigned char>(name[i]);
        std::size_t length = 1;
        if (lead >= 0xF0)
            length = 4;
        else if (lead >= 0xE0)
            length = 3;
        else if (lead >= 0xC0)
            length = 2;
        length = std::min(length, name.size() - i);
        if (length == 1 && (lead == ' ' || lead == '/')) {
            out += '_';
        } else {
            out.append(name, i, length);
        }
        i += length;
    }
    return out;
}

}  // namespace

std::string DefaultStateFileName(const Variant& appData) {
    std::string species, location;
    TryStep([&] { species = TextOf(appData(item::kSpecies)); });
    TryStep([&] { location = TextOf(appData(item::kLocation)); });
    std::string s;
    if (!species.empty()) s = FileNamePart(species);
    if (!location.empty()) s += "_" + FileNamePart(location);
    return s;
}

std::string DefaultStateFileName() { return DefaultStateFileName(AppData); }

Variant GetAppDataDefaults(bool firstActivation, const Variant& currentAppData) {
    Variant data = Variant::MakeArray(VarType::Generic, {Bounds{0, item::kCount - 1}});
    FillNewStateData(data);
    data(item::kTrials) = Variant(std::int16_t{1000});
    data(item::kLevel0) = Variant(std::int16_t{10});
    data(item::kLevel0 + 1) = Variant(std::int16_t{30});
    data(item::kLevel0 + 2) = Variant(std::int16_t{50});
    data(item::kLevel0 + 3) = Variant(std::int16_t{70});
    data(item::kLevel4) = data(item::kLevel0 + 3).get();
    data(item::kPrng) = Variant(0);
    data(item::kPrngSeed) = Variant(std::int16_t{0});
    data(item::kConfidenceChoice) = Variant(std::int16_t{1});
    data(item::kNumRelUncLevels) = Variant(std::int16_t{4});
    data(item::kSoftwareVersion) = Variant(2.5);
    data(item::kCategoricalImpacts) = Variant(false);
    data(item::kCategoricalCosts) = Variant(false);
    data(item::kNumImpactCategories) = Variant(std::int16_t{5});
    data(item::kNumCostCategories) = Variant(std::int16_t{5});
    data(item::kConformCategories) = Variant(true);
    data(item::kMasterImpactCategories) = Variant();
    data(item::kMasterCostCategories) = Variant();
    if (firstActivation) {
        data(item::kRegUseConstant) = Variant(false);
        data(item::kRhoTwoTails) = Variant(true);
    } else if (currentAppData.dims() == 1 && currentAppData.lbound(1) <= item::kRegUseConstant &&
               currentAppData.ubound(1) >= item::kRhoTwoTails) {
        data(item::kRegUseConstant) = currentAppData(item::kRegUseConstant);
        data(item::kRhoTwoTails) = currentAppData(item::kRhoTwoTails);
    }
    return data;
}

Variant GetAppDataDefaults() { return GetAppDataDefaults(FirstActivation(), AppData); }

Variant ItemOrEmpty(const Variant& array, int index) {
    if (array.dims() != 1 || index < array.lbound(1) || index > array.ubound(1)) return Variant();
    return array(index);
}

std::int32_t GetNumRelUncLevels(const Variant& appData) {
    if (!appData.isArray()) return 4;
    return CLng(appData(item::kNumRelUncLevels));
}

std::string NameLengthFault(int index, std::string_view text) {
    const std::size_t chars = CharCount(text);
    if (chars <= kMaxNameChars) return {};
    return std::string("a ") + (index == item::kLocation ? "location" : "species") + " name of " +
           std::to_string(chars) + " characters is longer than the " + std::to_string(kMaxNameChars) +
           " a name can have";
}

double UniformSpreadSD(double mean, double percent) {
    const double sd = std::fabs(percent * mean / 50.0) / std::sqrt(12.0);
    if (std::isfinite(sd) || !std::isfinite(mean) || !std::isfinite(percent)) return sd;
    // Near the largest double the product overflows where the deviation does not: the
    // same steps on the mean scaled down by a power of two, which rounds nothing
    // differently, then scaled back. The largest product is 50 x sqrt(12) (173) times
    // the deviation, so 256 leaves room for every deviation that fits a double.
    constexpr double kScale = 256.0;
    return std::fabs(percent * (mean / kScale) / 50.0) / std::sqrt(12.0) * kScale;
}

void HoldAsShown(Variant& appData) {
    if (appData.dims() != 1) return;
    for (int id = 0; id < item::kQuantities; ++id) {
        TryStep([&] {
            double v = CDbl(appData(item::PointValue(id)));
            // The diagram takes no probability outside 0..1.
            if (id < item::kI1) v = MathFunctions::Max(MathFunctions::Min(v, 1), 0);
            appData(item::PointValue(id)) = Variant(v);
            for (const int record : {item::Relative(id), item::Absolute(id)})
                if (appData(record).get().isArray()) appData(record)(0) = Variant(v);
        });
    }
}

DistributionFaults DistributionCodesAtFault(const Variant& appData) {
    static constexpr const char* kKeys[item::kQuantities] = {"p1", "p2", "p3",  "p4",  "I1",  "I2", "I3",
                                                             "I4", "I5", "FC1", "FC2", "FC3", "FC4"};
    DistributionFaults faults;
    if (appData.dims() != 1) return faults;
    for (int id = 0; id < item::kQuantities; ++id) {
        TryStep([&] {
            const Variant& record = appData(item::Absolute(id));
            if (!record.isArray()) return;
            const double code = CDbl(record(1));
            if (MKelvaro::NamesDistribution(code)) return;
            if (faults.count++ == 0) faults.first = std::string(kKeys[id]) + " (" + FormatDouble(code) + ")";
        });
    }
    return faults;
}

namespace MKelvaro {

namespace {
// The nine point outcomes: the five risks, then the four stages' expected costs.
constexpr int kOutcomesFirst = item::kOutcomeRisk;
constexpr int kOutcomesLast = item::kStageCost + 3;
}  // namespace

Variant CalculateOutcomeRisks(const Variant& appData) {
    auto read = [&](int index) {
        double v = 0;
        // Arrays, Null and texts beyond the Double range are unreadable: 0.
        TryStep([&] { v = Val(TextOf(appData(index))); });
        return v;
    };
    Variant result = Variant::MakeArray(VarType::Generic, {Bounds{kOutcomesFirst, kOutcomesLast}});
    // Outcome k (1 to 5) has the impact I_k; it is reached through p_1..p_(k-1) and
    // stops at stage k with 1 - p_k (the completed invasion, R5, stops nowhere).
    double c = 1;
    for (int k = 1; k <= 5; ++k) {
        const double p = k <= 4 ? read(item::PointValue(item::P(k))) : 0.0;
        result(item::kOutcomeRisk + k - 1) = Variant((read(item::PointValue(item::I(k))) * (1 - p)) * c);
        c = c * p;
    }
    c = 1;
    for (int k = 1; k <= 4; ++k) {
        const double p = read(item::PointValue(item::P(k)));
        result(item::kStageCost + k - 1) = Variant(read(item::PointValue(item::F(k))) * c);
        c = c * p;
    }
    return result;
}

void StoreOutcomeRisks(Variant& appData) {
    const Variant outcomes = CalculateOutcomeRisks(appData);
    for (int i = kOutcomesFirst; i <= kOutcomesLast; ++i) appData(i) = outcomes(i);
}

}  // namespace MKelvaro

}  // namespace nuvir
