#include "appdata/ini.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "appdata/appdata.h"
#include "appdata/appservices.h"
#include "appdata/paths.h"
#include "utilities/utilities_arrays.h"
#include "platform/services.h"
#include "numerics/numerics.h"
#include "platform/profile.h"
#include "runtime/convert.h"
#include "runtime/error.h"

namespace nuvir {

static_assert(kMaxNameChars == profile::kMaxValueLength, "a name is as long as the reader gives back whole");

namespace {

constexpr const char* kAppDefaults = "App Defaults";
constexpr const char* kRelative = "Relative Uncertainty";
constexpr const char* kAbsolute = "Absolute Uncertainty";
constexpr const char* kPrimary = "Primary Data";
constexpr const char* kPrimaryCat = "Primary Cat Data";
constexpr const char* kSections[] = {kAppDefaults, kRelative, kAbsolute, kPrimary, kPrimaryCat};

// Keys of the thirteen quantities in files, in quantity order.
constexpr const char* kQuantityKeys[item::kQuantities] = {"p1", "p2", "p3",  "p4",  "I1",  "I2", "I3",
                                                          "I4", "I5", "FC1", "FC2", "FC3", "FC4"};

// The impacts' and the costs' category tables: one per quantity of the kind (quantities
// first..end-1) and a master table, their columns as many as the kind's categories.
struct CategoryKind {
    int first;
    int end;
    int countItem;    // the number of categories
    int categorical;  // whether the kind's tables are in use
    int masterItem;
    const char* masterKey;
};
constexpr CategoryKind kCategoryKinds[] = {
    {item::kI1, item::kF1, item::kNumImpactCategories, item::kCategoricalImpacts, item::kMasterImpactCategories, "Ix"},
    {item::kF1, item::kQuantities, item::kNumCostCategories, item::kCategoricalCosts, item::kMasterCostCategories,
     "FCx"},
};

constexpr const char* kSaveErrorTitle = "File save error";
constexpr const char* kLoadErrorTitle = "Restore current state from file";
constexpr const char* kSaveErrorText =
    "File could not be opened for writing. Possible reasons:\r\n\r\n"
    "1. Another application has it open exclusively\r\n"
    "2. It's been made read-only\r\n"
    "3. It's on read-only media\r\n\r\n"
    "Please try again.";

// The comma pieces of a list, cut or padded with empty pieces to n.
std::vector<std::string> Pieces(std::string_view text, std::size_t n) {
    auto pieces = Split(text, ",");
    pieces.resize(n);
    return pieces;
}

// Every key an assessment file may hold, for reading them in one pass.
std::vector<std::pair<std::string, std::string>> AssessmentKeys() {
    std::vector<std::pair<std::string, std::string>> keys;
    // clang-format off
    static constexpr const char* kDefaultsKeys[] = {
        "Species", "Location", "N Trials", "Risk Very Certain", "Risk Reasonably Certain",
        "Risk Reasonably Uncertain", "Risk Very Uncertain", "Level 0", "Level 1", "Level 2", "Level 3", "Level 4",
        "Uncertainty Module", "PRNG", "PRNG Seed", "Categorical Impacts", "Categorical Costs",
        "Num Impact Categories", "Num Cost Categories", "Num Rel Unc Categories", "Software Version",
        "Confidence Choice", "Reg Use Constant", "Rho Two Tails"};
    // clang-format on
    for (const char* key : kDefaultsKeys) keys.emplace_back(kAppDefaults, key);
    for (const char* section : {kRelative, kAbsolute, kPrimary, kPrimaryCat})
        for (const char* key : kQuantityKeys) keys.emplace_back(section, key);
    keys.emplace_back(kPrimaryCat, "Ix");
    keys.emplace_back(kPrimaryCat, "FCx");
    return keys;
}

std::int32_t ListCount(int count) { return count > 0 ? count : 0; }

// The numbers of a comma list in an array of `count` elements of the given kind; a piece
// that is missing or not numeric leaves its element as the array starts it.
Variant NumberList(std::string_view text, int count, VarType kind) {
    const auto n = ListCount(count);
    const auto pieces = Pieces(text, static_cast<std::size_t>(n));
    Variant list = Variant::MakeArray(kind, {Bounds{0, n - 1}});
    for (std::int32_t i = 0; i < n; ++i) {
        const auto& piece = pieces[static_cast<std::size_t>(i)];
        if (IsNumericText(piece)) list(i) = Variant(CDbl(Variant(piece)));
    }
    return list;
}

// The value clamped into lo..hi, keeping its kind when it lies inside.
Variant Clamp(const Variant& value, std::int16_t lo, std::int16_t hi) {
    return MathFunctions::Min(Variant(hi), MathFunctions::Max(Variant(lo), value));
}

}  // namespace

namespace {

// A key's text converted by the type code, as ReadIniValue describes.
Variant IniValueFromText(const std::string& text, const Variant& defaultValue, int typeCode, int count, int rows) {
    if (text.empty()) return defaultValue;
    switch (typeCode) {
        case ini::kInt16: return IsNumericText(text) ? Variant(CInt(Variant(text))) : Variant(std::int16_t{0});
        case ini::kInt32: return IsNumericText(text) ? Variant(CLng(Variant(text))) : Variant(std::int16_t{0});
        case ini::kDouble: return IsNumericText(text) ? Variant(CDbl(Variant(text))) : Variant(std::int16_t{0});
        case ini::kBoolean: return Variant(CBool(Variant(text)));
        case ini::kDoubleList: return NumberList(text, count, VarType::Double);
        case ini::kValueList: return NumberList(text, count, VarType::Generic);
        case ini::kBooleanList: {
            const auto n = ListCount(count);
            const auto pieces = Pieces(text, static_cast<std::size_t>(n));
            Variant list = Variant::MakeArray(VarType::Generic, {Bounds{0, n - 1}});
            for (std::int32_t i = 0; i < n; ++i) {
                // Blanks around a piece (a hand-edited "True, False") do not make it fail.
                const std::string piece = TrimWhite(pieces[static_cast<std::size_t>(i)]);
                bool value = false;
                TryStep([&] { value = CBool(Variant(piece)); });
                list(i) = Variant(value);
            }
            return list;
        }
        case ini::kTable: return ParseCategoryArray(text, count, rows);
        default: return Variant(text);
    }
}

// A text written so that a read gives it back as it is: the reader drops blanks around
// a value and one pair of enclosing quotes, so a text with blanks at an end or in
// quotes of its own (a species typed as " Zebra " or "'Zebra'") is put in double
// quotes, which every reader of these files strips.
std::string ReadBackWhole(std::string text) {
    if (text.empty()) return text;
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    const bool quoted = text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
                        text.back() == text.front();
    if (!blank(text.front()) && !blank(text.back()) && !quoted) return text;
    return '"' + text + '"';
}

}  // namespace

std::optional<std::string> IniText(const Variant& value) {
    std::optional<std::string> text;
    if (value.isArray()) {
        switch (MUtilities::ArrayDims(value)) {
            case 1: text = MUtilities::JoinArray1D(value, ","); break;
            case 2: text = MUtilities::JoinArray2D(value, ",", ","); break;
            default: break;  // no text: the key is deleted
        }
    } else {
        text = CStr(value);
        if (value.type() == VarType::String) text = ReadBackWhole(std::move(*text));
    }
    return text;
}

Variant ReadIniValue(const std::string& file, const std::string& section, const std::string& key,
                     const Variant& defaultValue, int typeCode, int count, int rows) {
    return IniValueFromText(profile::GetString(file, section, key), defaultValue, typeCode, count, rows);
}

bool WriteIniValue(const std::string& file, const std::string& section, const std::string& key, const Variant& value,
                   bool raiseOnFail) {
    const bool ok = profile::WriteString(file, section, key, IniText(value));
    if (!ok && raiseOnFail) RaiseComponentError("WritePrivateProfileString failed.");
    return ok;
}

bool WriteIniValues(const std::string& file, const std::vector<IniEntry>& entries) {
    std::vector<profile::KeyText> keys;
    keys.reserve(entries.size());
    for (const IniEntry& e : entries) keys.push_back({e.section, e.key, IniText(e.value)});
    return profile::WriteStrings(file, keys);
}

Variant ParseCategoryArray(std::string_view text, int count, int rows) {
    if (count < 1 || rows < 1) return Variant();
    try {
        const auto cells = static_cast<std::size_t>(count) * static_cast<std::size_t>(rows);
        const auto pieces = Pieces(text, cells);
        Variant table = Variant::MakeArray(VarType::Double, {Bounds{0, rows - 1}, Bounds{0, count - 1}});
        for (std::size_t k = 0; k < cells; ++k) {
            if (!IsNumericText(pieces[k])) continue;
            table(static_cast<std::int32_t>(k / static_cast<std::size_t>(count)),
                  static_cast<std::int32_t>(k % static_cast<std::size_t>(count))) = Variant(CDbl(Variant(pieces[k])));
        }
        return table;
    } catch (const std::exception&) {
        return Variant();
    }
}

std::string GetIniFileName() { return MUtilities::AddBackslash(App().path) + App().exeName + ".ini"; }

namespace {

// The defaults in data overlaid with the keys of a file's contents, as LoadAppData reads
// them.
Variant LoadAppDataFrom(const std::string& fileName, const profile::Contents& contents, bool firstActivation,
                        Variant data, bool* unread) {
    const std::string file = fileName.empty() ? GetIniFileName() : fileName;
    const profile::Failure status = contents.Status();
    if (status == profile::Failure::TooLarge || status == profile::Failure::NotAFile) {
        MsgBox("The file " + file + " is not an assessment file.", mb::OKOnly, kLoadErrorTitle);
        return data;
    }
    if (status != profile::Failure::None) return data;
    // A named file without one section of the layout (a camera's raw image called
    // .raf, any other document) is no assessment: taking it as one would make it the
    // file the next Save overwrites. An older assessment lacking keys still has them.
    if (!fileName.empty() && std::none_of(std::begin(kSections), std::end(kSections),
                                          [&](const char* s) { return contents.HasSection(s); })) {
        MsgBox("The file " + file + " is not an assessment file.", mb::OKOnly, kLoadErrorTitle);
        return data;
    }
    // A name longer than the reader gives back whole is refused, never cut: cut, the
    // next Save would lose the rest. An assessment is not opened; the program's own
    // settings keep the name they start with.
    bool nameRefused[2] = {false, false};
    for (const int index : {item::kSpecies, item::kLocation}) {
        std::string fault;
        TryStep([&] {
            const auto whole = contents.GetWhole(kAppDefaults, index == item::kSpecies ? "Species" : "Location");
            if (whole) fault = NameLengthFault(index, *whole);
        });
        if (fault.empty()) continue;
        std::string message = "The file ";
        message.append(file).append(fileName.empty() ? " was read without its name: " : " was not opened: ");
        message.append(fault).append(".");
        MsgBox(message, mb::OKOnly, kLoadErrorTitle);
        if (!fileName.empty()) return data;
        nameRefused[index] = true;
    }
    if (unread) *unread = false;
    TryStep([&] { contents.Prefetch(AssessmentKeys()); });

    // Each key falls back to the item's current value; a value that does not convert
    // skips its key only.
    auto text = [&](const char* section, const std::string& key) {
        return contents.Get(section, key).value_or(std::string());
    };
    auto read = [&](int index, const char* section, const std::string& key, int code, int count = 3, int rows = 2) {
        TryStep([&] { data(index) = IniValueFromText(text(section, key), data(index).get(), code, count, rows); });
    };

    if (!nameRefused[item::kSpecies]) read(item::kSpecies, kAppDefaults, "Species", ini::kText);
    if (!nameRefused[item::kLocation]) read(item::kLocation, kAppDefaults, "Location", ini::kText);
    read(item::kTrials, kAppDefaults, "N Trials", ini::kInt32);

    // Older files name the levels; a file with only those gives level 4 the value of level 3.
    read(item::kLevel0, kAppDefaults, "Risk Very Certain", ini::kInt16);
    read(item::kLevel0 + 1, kAppDefaults, "Risk Reasonably Certain", ini::kInt16);
    read(item::kLevel0 + 2, kAppDefaults, "Risk Reasonably Uncertain", ini::kInt16);
    read(item::kLevel0 + 3, kAppDefaults, "Risk Very Uncertain", ini::kInt16);
    data(item::kLevel4) = data(item::kLevel0 + 3).get();
    for (int level = 0; level <= 4; ++level)
        read(item::kLevel0 + level, kAppDefaults, "Level " + std::to_string(level), ini::kInt16);

    read(item::kUncertaintyMode, kAppDefaults, "Uncertainty Module", ini::kInt16);
    read(item::kPrng, kAppDefaults, "PRNG", ini::kInt16);
    read(item::kPrngSeed, kAppDefaults, "PRNG Seed", ini::kDouble);

    for (int id = 0; id < item::kF1; ++id) read(item::Relative(id), kRelative, kQuantityKeys[id], ini::kDoubleList);
    for (int id = 0; id < item::kF1; ++id) read(item::Absolute(id), kAbsolute, kQuantityKeys[id], ini::kDoubleList);
    for (int id = 0; id < item::kQuantities; ++id)
        read(item::PointValue(id), kPrimary, kQuantityKeys[id], ini::kDouble);
    for (int id = item::kF1; id < item::kQuantities; ++id)
        read(item::Relative(id), kRelative, kQuantityKeys[id], ini::kDoubleList);
    for (int id = item::kF1; id < item::kQuantities; ++id)
        read(item::Absolute(id), kAbsolute, kQuantityKeys[id], ini::kDoubleList);

    read(item::kCategoricalImpacts, kAppDefaults, "Categorical Impacts", ini::kBoolean);
    read(item::kCategoricalCosts, kAppDefaults, "Categorical Costs", ini::kBoolean);

    read(item::kNumImpactCategories, kAppDefaults, "Num Impact Categories", ini::kInt32);
    TryStep([&] { data(item::kNumImpactCategories) = Clamp(data(item::kNumImpactCategories), 1, 5); });
    read(item::kNumCostCategories, kAppDefaults, "Num Cost Categories", ini::kInt32);
    TryStep([&] { data(item::kNumCostCategories) = Clamp(data(item::kNumCostCategories), 1, 5); });
    read(item::kNumRelUncLevels, kAppDefaults, "Num Rel Unc Categories", ini::kInt32);
    TryStep([&] { data(item::kNumRelUncLevels) = Clamp(data(item::kNumRelUncLevels), 4, 5); });

    read(item::kSoftwareVersion, kAppDefaults, "Software Version", ini::kDouble);

    // Category tables: as many columns as the category counts just read; missing keys
    // leave the items Empty.
    auto readCategoryTables = [&](const CategoryKind& kind) {
        TryStep([&] {
            const int columns = CLng(data(kind.countItem));
            for (int id = kind.first; id < kind.end; ++id)
                TryStep([&] {
                    data(item::CategoryTable(id)) =
                        IniValueFromText(text(kPrimaryCat, kQuantityKeys[id]), Variant(), ini::kTable, columns, 2);
                });
            TryStep([&] {
                data(kind.masterItem) =
                    IniValueFromText(text(kPrimaryCat, kind.masterKey), Variant(), ini::kTable, columns, 1);
            });
        });
    };
    for (const CategoryKind& kind : kCategoryKinds) readCategoryTables(kind);

    read(item::kConfidenceChoice, kAppDefaults, "Confidence Choice", ini::kInt32);

    // The regression options belong to the installation, not to an assessment: they
    // are taken from the program INI at start-up only.
    if (firstActivation) {
        read(item::kRegUseConstant, kAppDefaults, "Reg Use Constant", ini::kBoolean);
        read(item::kRhoTwoTails, kAppDefaults, "Rho Two Tails", ini::kBoolean);
    }

    // The windows index lists with these; a hand-edited file must not push them out.
    TryStep([&] { data(item::kConfidenceChoice) = Clamp(data(item::kConfidenceChoice), 0, 2); });
    TryStep([&] { data(item::kUncertaintyMode) = Clamp(data(item::kUncertaintyMode), 0, 1); });
    TryStep([&] { data(item::kPrng) = Clamp(data(item::kPrng), 0, 1); });
    return data;
}

}  // namespace

Variant LoadAppData(const std::string& fileName, bool firstActivation, const Variant& currentAppData, bool* unread) {
    Variant data = GetAppDataDefaults(firstActivation, currentAppData);
    if (unread) *unread = true;
    const std::string file = fileName.empty() ? GetIniFileName() : fileName;
    if (!FileFunctions::FileExists(file)) return data;
    // The file is read once; every key below is looked up in what was read.
    profile::Contents contents;
    if (!TryStep([&] { contents = profile::Contents::Load(file); })) return data;
    return LoadAppDataFrom(fileName, contents, firstActivation, std::move(data), unread);
}

Variant LoadAppData(const std::string& fileName, const profile::Contents& contents, bool* unread) {
    if (unread) *unread = true;
    return LoadAppDataFrom(fileName, contents, FirstActivation(), GetAppDataDefaults(FirstActivation(), AppData),
                           unread);
}

Variant LoadAppData(const std::string& fileName, bool* unread) {
    return LoadAppData(fileName, FirstActivation(), AppData, unread);
}

// The file and the reason, the system's where it gave one: "The file could not be
// written." twice told nobody which file, or why.
std::string SaveFailureMessage(const std::string& file, std::string cause) {
    if (!cause.empty() && cause.back() != '.') cause += '.';
    return "The file \"" + file + "\" could not be written: " + cause + "\r\n\r\nPlease try again.";
}

namespace {

// The message of a save stopped by an error: its cause, else the error's own text.
std::string SaveFailureText(const std::string& file, std::string cause, const std::exception& e) {
    if (cause.empty()) {
        const auto* error = dynamic_cast<const AppError*>(&e);
        cause = error != nullptr ? error->description() : std::string(e.what());
    }
    return SaveFailureMessage(file, std::move(cause));
}

// SaveAppData; withRegressionOptions adds "Reg Use Constant" and "Rho Two Tails" after
// "Software Version", in the same write.
bool WriteAppData(const Variant& appData, const std::string& fileName, bool raiseErrors, bool withRegressionOptions) {
    const std::string file = fileName.empty() ? GetIniFileName() : fileName;
    profile::Failure failure = profile::Failure::None;
    std::string cause;
    try {
        // A read-only target cannot be replaced: stop before writing anything.
        if (FileFunctions::FileExists(file) && profile::IsReadOnly(file)) {
            failure = profile::Failure::ReadOnly;
            RaiseComponentError("The file is read-only.");
        }
        // A name no reader could give back whole is not written cut.
        for (const int index : {item::kSpecies, item::kLocation}) {
            std::string fault;
            TryStep([&] { fault = NameLengthFault(index, CStr(appData(index))); });
            if (!fault.empty()) RaiseComponentError("The file was not saved: " + fault + ".");
        }
        // The new contents are built whole in memory and replace the old file in one
        // write; a value without text is skipped unless errors are raised.
        profile::Contents contents;
        auto write = [&](const char* section, const std::string& key, auto&& value) {
            if (raiseErrors) {
                contents.Set(section, key, IniText(value()));
            } else {
                TryStep([&] { contents.Set(section, key, IniText(value())); });
            }
        };
        auto itemValue = [&](int index) { return [&appData, index] { return appData(index); }; };
        // A name with its control characters as blanks, as the state strings write it,
        // and its line and paragraph separators, as the batch list holds them: kept raw,
        // a NUL or a tab in a name is text no one sees, a separator a line break.
        auto nameValue = [&](int index) {
            return [&appData, index] {
                const Variant& name = appData(index);
                return name.type() == VarType::String ? Variant(BlankLineSeparators(BlankControls(CStr(name)))) : name;
            };
        };
        auto when = [&](auto&& condition, auto&& action) {
            if (raiseErrors) {
                if (condition()) action();
            } else {
                TryStep([&] {
                    if (condition()) action();
                });
            }
        };
        write(kAppDefaults, "Species", nameValue(item::kSpecies));
        write(kAppDefaults, "Location", nameValue(item::kLocation));
        write(kAppDefaults, "N Trials", itemValue(item::kTrials));
        for (int level = 0; level <= 4; ++level)
            write(kAppDefaults, "Level " + std::to_string(level), itemValue(item::kLevel0 + level));
        write(kAppDefaults, "Uncertainty Module", itemValue(item::kUncertaintyMode));
        write(kAppDefaults, "PRNG", itemValue(item::kPrng));
        write(kAppDefaults, "PRNG Seed", itemValue(item::kPrngSeed));
        for (int id = 0; id < item::kF1; ++id) write(kRelative, kQuantityKeys[id], itemValue(item::Relative(id)));
        for (int id = 0; id < item::kF1; ++id) write(kAbsolute, kQuantityKeys[id], itemValue(item::Absolute(id)));
        for (int id = 0; id < item::kQuantities; ++id)
            write(kPrimary, kQuantityKeys[id], itemValue(item::PointValue(id)));
        for (int id = item::kF1; id < item::kQuantities; ++id)
            write(kRelative, kQuantityKeys[id], itemValue(item::Relative(id)));
        for (int id = item::kF1; id < item::kQuantities; ++id)
            write(kAbsolute, kQuantityKeys[id], itemValue(item::Absolute(id)));

        // A kind's tables when it is categorical; its master table whenever there is one.
        auto writeCategoryTables = [&](const CategoryKind& kind) {
            when([&] { return CBool(appData(kind.categorical)); },
                 [&] {
                     for (int id = kind.first; id < kind.end; ++id)
                         if (appData(item::CategoryTable(id)).isArray())
                             write(kPrimaryCat, kQuantityKeys[id], itemValue(item::CategoryTable(id)));
                 });
            if (appData(kind.masterItem).isArray()) write(kPrimaryCat, kind.masterKey, itemValue(kind.masterItem));
        };
        for (const CategoryKind& kind : kCategoryKinds) writeCategoryTables(kind);

        write(kAppDefaults, "Confidence Choice", itemValue(item::kConfidenceChoice));
        write(kAppDefaults, "Categorical Impacts", itemValue(item::kCategoricalImpacts));
        write(kAppDefaults, "Categorical Costs", itemValue(item::kCategoricalCosts));
        write(kAppDefaults, "Num Impact Categories", itemValue(item::kNumImpactCategories));
        write(kAppDefaults, "Num Cost Categories", itemValue(item::kNumCostCategories));
        write(kAppDefaults, "Num Rel Unc Categories", itemValue(item::kNumRelUncLevels));
        write(kAppDefaults, "Software Version", [] { return Variant(RunningVersion()); });
        if (withRegressionOptions) {
            write(kAppDefaults, "Reg Use Constant", itemValue(item::kRegUseConstant));
            write(kAppDefaults, "Rho Two Tails", itemValue(item::kRhoTwoTails));
        }

        // A UTF-16 file stays UTF-16: another program that wrote it so reads it so.
        if (!profile::ReplaceFileContents(file, std::move(contents))) {
            failure = profile::LastFailure();
            cause = profile::LastFailureCause();
            // A file that did not reach the disk is a failure in either mode; only the
            // read-only file is reported at shut-down too.
            if (!raiseErrors && failure != profile::Failure::ReadOnly) return false;
            RaiseComponentError(profile::FailureText(failure));
        }
        return true;
    } catch (const std::exception& e) {
        if (failure == profile::Failure::ReadOnly) {
            MsgBox(kSaveErrorText, mb::OKOnly, kSaveErrorTitle);
        } else {
            MsgBox(SaveFailureText(file, cause, e), mb::OKOnly, kSaveErrorTitle);
        }
        return false;
    }
}

}  // namespace

bool SaveAppData(const Variant& appData, const std::string& fileName, bool raiseErrors) {
    return WriteAppData(appData, fileName, raiseErrors, false);
}

bool SaveProgramIni(const Variant& appData) { return WriteAppData(appData, "", false, true); }

}  // namespace nuvir
