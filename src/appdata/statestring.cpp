// Writing and reading the state string of an assessment.
#include "appdata/statestring.h"

#include <array>
#include <exception>
#include <optional>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "appdata/appdata.h"
#include "appdata/appservices.h"
#include "appdata/codetables.h"
#include "appdata/ini.h"
#include "numerics/numerics.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "utilities/utilities_arrays.h"

namespace nuvir {

namespace {

namespace tk = MKelvaro::token;

void EnsureStateTokens() {
    if (MKelvaro::StateTokens.dims() != 1) MKelvaro::InitStateTokens();
}

std::string Token(int index) { return CStr(MKelvaro::StateTokens(index)); }

// A name with its control characters and the given characters made blanks: no form may
// split its line (CR, LF) or carry what no one sees (NUL and the rest), and form 0 also
// keeps its field separators (";", "=") out.
std::string Blanked(std::string_view name, std::string_view characters) {
    std::string text = BlankControls(name);
    for (char& c : text) {
        if (characters.find(c) != std::string_view::npos) c = ' ';
    }
    return text;
}

// A name in the comma-separated form: quoted, inner quotes doubled, when it holds a
// comma or a quote, so that its line keeps the columns of its header.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

bool ModeIs(const Variant& appData, int mode) { return VarEquals(appData(item::kUncertaintyMode), Variant(mode)); }

// The text of one item's field, "" for items that are never written.
std::string FieldText(const Variant& appData, int i, std::int32_t form, std::int32_t levels) {
    const std::string eq = Token(tk::kKeySeparator);
    const std::string comma = Token(tk::kValueSeparator);
    std::string key;
    switch (i) {
        case item::kSpecies: key = Token(tk::kSpecies); break;
        case item::kLocation: key = Token(tk::kLocation); break;
        case item::kTrials: key = Token(tk::kTrials); break;
        case item::kNumRelUncLevels: key = Token(tk::kNumRelUncLevels); break;
        case item::kUncertaintyMode: key = Token(tk::kUncertaintyMode); break;
        case item::kPrng: key = Token(tk::kPrng); break;
        case item::kConfidenceChoice: key = Token(tk::kConfidence); break;
        case item::kCategoricalImpacts: key = Token(tk::kCategoricalImpacts); break;
        case item::kCategoricalCosts: key = Token(tk::kCategoricalCosts); break;
        case item::kNumImpactCategories: key = Token(tk::kNumImpactCategories); break;
        case item::kNumCostCategories: key = Token(tk::kNumCostCategories); break;
        case item::kSoftwareVersion: key = Token(tk::kVersion); break;
        default:
            if (i >= item::kLevel0 && i <= item::kLevel4) key = MKelvaro::UncertaintyLevelCode(i - item::kLevel0);
            break;
    }
    if (!key.empty()) {
        std::string value = CStr(appData(i));
        if (i == item::kSpecies || i == item::kLocation) {
            value = Blanked(value, form == stateform::kStateString ? ";=" : "");
        }
        return key + eq + value;
    }

    if (i >= item::PointValue(0) && i < item::PointValue(item::kQuantities)) {
        const int id = i - item::kPointValue;
        if (id < item::kI1) {
            key = Token(tk::kProbabilityPrefix) + std::to_string(id - item::kP1 + 1);
        } else if (id < item::kF1) {
            key = Token(tk::kImpactPrefix) + std::to_string(id - item::kI1 + 1);
        } else {
            key = Token(tk::kCostPrefix) + std::to_string(id - item::kF1 + 1);
        }
        std::string field = key + eq + CStr(appData(i));
        const bool relative = ModeIs(appData, 0);
        const Variant& record = appData(relative ? item::Relative(id) : item::Absolute(id));
        // Codes and levels are taken to whole numbers as doubles: a hand-edited file may
        // hold numbers no 32-bit integer can, which write as unknown codes, not Overflow.
        if (relative) {
            // Four levels in use: the fifth level's index is written as the fourth.
            const double top = levels == 4 ? 3 : 4;
            const double level = MathFunctions::Min(RoundHalfEven(CDbl(record(2))), top);
            field += comma + MKelvaro::DistributionCodeOf(CDbl(record(1))) + comma +
                     MKelvaro::UncertaintyLevelCode(level < 0 ? -1 : static_cast<std::int32_t>(level));
        } else if (ModeIs(appData, 1)) {
            field += comma + MKelvaro::DistributionCodeOf(CDbl(record(1))) + comma + CStr(record(2));
        }
        return field;
    }

    const int firstImpactTable = item::CategoryTable(item::kI1);
    const int firstCostTable = item::CategoryTable(item::kF1);
    if (i >= firstImpactTable && i < firstCostTable + 4) {
        const bool impacts = i < firstCostTable;
        key = impacts ? Token(tk::kImpactTablePrefix) + std::to_string(i - firstImpactTable + 1)
                      : Token(tk::kCostTablePrefix) + std::to_string(i - firstCostTable + 1);
        const Variant& table = appData(i);
        const bool on = CBool(appData(impacts ? item::kCategoricalImpacts : item::kCategoricalCosts));
        if (MUtilities::ArrayDims(table) == 2 && on) return key + eq + MUtilities::JoinArray2D(table, "|", "|");
        // A table not written still holds its column in the comma-separated forms.
        return form == stateform::kStateString ? std::string() : key + eq;
    }
    return {};
}

// ---- reading helpers --------------------------------------------------------------------

double Clamp(double x, double low, double high) { return MathFunctions::Max(MathFunctions::Min(x, high), low); }

// The number at the front of the text, held within low..high, to the nearest integer
// (halves to even).
Variant WholeIn(std::string_view text, double low, double high) {
    return Variant(static_cast<std::int32_t>(RoundHalfEven(Clamp(Val(text), low, high))));
}

void Set(Variant& appData, int index, const Variant& value) { appData(index) = value; }

// Reads the fields of one state string into the array in their order. Each key the
// reader knows has its handler in a table; the keys of the quantities and the category
// tables are a prefix and a digit. The uncertainty mode is settled once: by "UM" or by
// the first quantity field.
class StateReader {
public:
    StateReader(Variant& appData, double runningVersion)
        : appData_(appData),
          runningVersion_(runningVersion),
          eq_(Token(tk::kKeySeparator)),
          comma_(Token(tk::kValueSeparator)),
          pPrefix_(Token(tk::kProbabilityPrefix)),
          iPrefix_(Token(tk::kImpactPrefix)),
          fPrefix_(Token(tk::kCostPrefix)),
          iTablePrefix_(Token(tk::kImpactTablePrefix)),
          fTablePrefix_(Token(tk::kCostTablePrefix)) {
        AddHandlers();
    }

    void ReadField(const std::string& rawField) {
        std::vector<std::string> parts = Split(TrimWhite(rawField), eq_);
        const std::string key = TrimWhite(parts[0]);
        if (key.empty()) return;
        // Only the first two parts count: a value holding "=" ends before it.
        const std::string value = parts.size() > 1 ? parts[1] : std::string();
        for (const auto& [known, handler] : handlers_) {
            if (key == known) {
                handler(value);
                return;
            }
        }
        ReadNumberedField(key, value);
    }

private:
    using Handler = std::function<void(const std::string& value)>;

    void Add(std::string key, Handler handler) { handlers_.emplace_back(std::move(key), std::move(handler)); }

    // A whole number held within low..high into the item.
    Handler WholeNumber(int index, double low, double high) {
        return [this, index, low, high](const std::string& value) {
            TryStep([&] { Set(appData_, index, WholeIn(value, low, high)); });
        };
    }

    // A percentage into the level's item.
    Handler Level(int level) {
        return [this, level](const std::string& value) {
            TryStep([&] { Set(appData_, item::kLevel0 + level, Variant(Clamp(Val(value), 0, 100))); });
        };
    }

    void AddHandlers() {
        Add(Token(tk::kSpecies), [this](const std::string& value) { ReadName(item::kSpecies, value); });
        Add(Token(tk::kLocation), [this](const std::string& value) { ReadName(item::kLocation, value); });
        Add(Token(tk::kTrials), WholeNumber(item::kTrials, 1000, 100000));
        Add(Token(tk::kUncertaintyMode), [this](const std::string& value) { ReadMode(value); });
        Add(Token(tk::kPrng), WholeNumber(item::kPrng, 0, 1));
        Add(Token(tk::kConfidence), WholeNumber(item::kConfidenceChoice, 0, 2));
        Add(Token(tk::kCategoricalImpacts),
            [this](const std::string& value) { ReadSwitch(item::kCategoricalImpacts, value); });
        Add(Token(tk::kCategoricalCosts),
            [this](const std::string& value) { ReadSwitch(item::kCategoricalCosts, value); });
        Add(Token(tk::kNumImpactCategories), WholeNumber(item::kNumImpactCategories, 1, 5));
        Add(Token(tk::kNumCostCategories), WholeNumber(item::kNumCostCategories, 1, 5));
        Add(Token(tk::kNumRelUncLevels), WholeNumber(item::kNumRelUncLevels, 4, 5));
        Add(Token(tk::kVersion), [this](const std::string& value) { ReadVersion(value); });
        for (int level = 0; level <= 4; ++level) Add(MKelvaro::UncertaintyLevelCode(level), Level(level));
        for (int level = 0; level <= 2; ++level) Add(std::string(MKelvaro::kOlderLevelCodes[level]), Level(level));
        Add(std::string(MKelvaro::kOlderLevelCodes[3]),
            [this](const std::string& value) { ReadOlderFourthLevel(value); });
    }

    // A name longer than any file keeps whole refuses the line, visibly, rather than
    // run it under a name that could not be kept.
    void ReadName(int index, const std::string& value) {
        // A control character inside a name is a blank, as a separator is where it is written.
        std::string name = TrimWhite(Blanked(value, ""));
        if (const std::string fault = NameLengthFault(index, name); !fault.empty())
            RaiseComponentError("The line was not run: " + fault + ".");
        TryStep([&] { Set(appData_, index, Variant(std::move(name))); });
    }

    void ReadMode(const std::string& value) {
        if (modeDecided_) return;
        TryStep([&] { Set(appData_, item::kUncertaintyMode, WholeIn(value, 0, 1)); });
        modeDecided_ = true;
    }

    void ReadSwitch(int index, const std::string& value) {
        TryStep([&] { Set(appData_, index, Variant(false)); });
        TryStep([&] { Set(appData_, index, Variant(CBool(Variant(TrimWhite(value))))); });
    }

    void ReadVersion(const std::string& value) {
        TryStep([&] {
            const double v = MathFunctions::Max(MathFunctions::Min(Val(value), runningVersion_), 2.5);
            Set(appData_, item::kSoftwareVersion, Variant(v));
        });
    }

    // The older four-level data had no fifth level: it follows the fourth.
    void ReadOlderFourthLevel(const std::string& value) {
        Level(3)(value);
        TryStep([&] { Set(appData_, item::kLevel4, Variant(appData_(item::kLevel0 + 3).get())); });
    }

    // A quantity ("P1", "I3", ...) or a category table ("ICAT2", ...); other keys are
    // skipped.
    void ReadNumberedField(const std::string& key, const std::string& value) {
        const char lastChar = key.back();
        if (lastChar < '0' || lastChar > '9') return;
        const int n = lastChar - '0';
        const std::string prefix = key.substr(0, key.size() - 1);
        if (prefix == pPrefix_ || prefix == iPrefix_ || prefix == fPrefix_) {
            ReadQuantity(prefix, n, value);
        } else if ((prefix == iTablePrefix_ && n >= 1 && n <= 5) || (prefix == fTablePrefix_ && n >= 1 && n <= 4)) {
            ReadCategoryTable(prefix == iTablePrefix_, n, value);
        }
    }

    // The quantity's id, -1 for a number past the last of its kind.
    int QuantityId(const std::string& prefix, int n) const {
        if (prefix == pPrefix_ && n >= 1 && n <= 4) return item::P(n);
        if (prefix == iPrefix_ && n >= 1 && n <= 5) return item::I(n);
        if (prefix == fPrefix_ && n >= 1 && n <= 4) return item::F(n);
        return -1;
    }

    // "value,distribution,uncertainty": the point value, the distribution code and a level
    // code (relative mode) or a standard deviation (absolute mode).
    void ReadQuantity(const std::string& prefix, int n, const std::string& value) {
        std::vector<std::string> elements;
        TryStep([&] { elements = Split(TrimWhite(value), comma_); });
        elements.resize(3);
        for (std::string& e : elements) e = TrimWhite(e);

        double r[3] = {0.0, 0.0, 0.0};
        TryStep([&] { r[0] = Val(elements[0]); });
        TryStep([&] { r[1] = MKelvaro::ParseDistributionCode(elements[1]); });
        if (!modeDecided_) {
            // A third element that is a number is a standard deviation (absolute
            // mode); a level code or nothing means relative mode.
            TryStep([&] { Set(appData_, item::kUncertaintyMode, Variant(IsNumericText(elements[2]) ? 1 : 0)); });
            modeDecided_ = true;
        }
        bool relative = false;
        bool absolute = false;
        TryStep([&] { relative = ModeIs(appData_, 0); });
        TryStep([&] { absolute = ModeIs(appData_, 1); });
        if (relative) {
            TryStep([&] { r[2] = MKelvaro::ParseUncertaintyLevel(elements[2]); });
        } else if (absolute) {
            TryStep([&] { r[2] = MathFunctions::Max(0.0, Val(elements[2])); });
        }

        const int id = QuantityId(prefix, n);
        if (id < 0) return;
        TryStep([&] {
            Set(appData_, relative ? item::Relative(id) : item::Absolute(id), Variant::Doubles({r[0], r[1], r[2]}));
        });
        TryStep([&] { Set(appData_, item::PointValue(id), Variant(r[0])); });
    }

public:
    // The end of the line: every table is laid out as an opened file lays it out, with
    // the counts the line leaves. A table read with the count in force when it was met
    // would keep that width after a later count changed it, fail every run, and write
    // back cells that read as another table.
    void Finish() {
        for (int index = kFirstTable; index < kFirstTable + kTables; ++index) {
            const bool impacts = index < item::CategoryTable(item::kF1);
            TryStep([&] {
                const int count = Count(impacts);
                const auto& pending = pendingTables_[static_cast<std::size_t>(index - kFirstTable)];
                if (pending) {
                    Set(appData_, index, ParseCategoryArray(*pending, count, 2));
                    return;
                }
                // A table an earlier line left: its cells as a file holds them, row 0 then
                // row 1, read again with this line's count.
                const Variant& held = appData_(index).get();
                if (held.dims() == 2 && held.bounds(2).count() != count)
                    Set(appData_, index, ParseCategoryArray(MUtilities::JoinArray2D(held, ",", ","), count, 2));
            });
        }
    }

private:
    static constexpr int kFirstTable = item::CategoryTable(item::kI1);
    static constexpr int kTables = 9;

    // The number of categories of the kind, held within 1..5.
    int Count(bool impacts) const {
        const int countItem = impacts ? item::kNumImpactCategories : item::kNumCostCategories;
        return static_cast<int>(RoundHalfEven(Clamp(Val(CStr(appData_(countItem).get())), 1, 5)));
    }

    // The table's cells joined by "|"; laid out at the end of the line.
    void ReadCategoryTable(bool impacts, int n, const std::string& value) {
        std::string text = TrimWhite(value);
        for (char& c : text) {
            if (c == '|') c = ',';
        }
        const int index = impacts ? item::CategoryTable(item::kI1) + n - 1 : item::CategoryTable(item::kF1) + n - 1;
        pendingTables_[static_cast<std::size_t>(index - kFirstTable)] = std::move(text);
    }

    Variant& appData_;
    const double runningVersion_;
    const std::string eq_, comma_;
    const std::string pPrefix_, iPrefix_, fPrefix_, iTablePrefix_, fTablePrefix_;
    std::vector<std::pair<std::string, Handler>> handlers_;
    std::array<std::optional<std::string>, kTables> pendingTables_;
    bool modeDecided_ = false;
};

}  // namespace

std::string SerialiseState(const Variant& appData, std::int32_t form) {
    EnsureStateTokens();
    const std::int32_t levels = GetNumRelUncLevels(appData);
    const std::string fieldSep = Token(tk::kFieldSeparator);
    const std::string eq = Token(tk::kKeySeparator);
    const std::string comma = Token(tk::kValueSeparator);

    std::string out;
    const std::int32_t last = appData.ubound(1);
    for (std::int32_t i = 0; i <= last; ++i) {
        const std::string field = FieldText(appData, i, form, levels);
        if (field.empty()) continue;
        const std::size_t p = field.find(eq);
        const std::string key = field.substr(0, p);
        const bool name = i == item::kSpecies || i == item::kLocation;
        switch (form) {
            case stateform::kValues:
                out += comma + (name ? CsvField(field.substr(p + eq.size())) : field.substr(p + eq.size()));
                break;
            case stateform::kHeader:
                // A name is one column whatever it holds; a quantity with its
                // uncertainty takes three.
                if (!name && field.find(comma) != std::string::npos) {
                    for (const char* suffix : {"", "D", "V"}) out.append(comma).append(key).append(suffix);
                } else {
                    out += comma + key;
                }
                break;
            case stateform::kStateString: out += fieldSep + UCase(field); break;
            default: break;
        }
    }
    return out.empty() ? out : out.substr(1);
}

void DeserialiseState(Variant& appData, std::string_view spec, double runningVersion) {
    try {
        EnsureStateTokens();
    } catch (const std::exception&) {
        return;
    }
    std::vector<std::string> fields;
    try {
        fields = Split(TrimWhite(UCase(spec)), Token(tk::kFieldSeparator));
    } catch (const std::exception&) {
        return;
    }
    StateReader reader(appData, runningVersion);
    for (const std::string& rawField : fields) reader.ReadField(rawField);
    reader.Finish();
}

void DeserialiseState(std::string_view spec) { DeserialiseState(AppData, spec, RunningVersion()); }

}  // namespace nuvir
