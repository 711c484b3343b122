#pragma once
// Shared set-up of the application data tests: the program folder is a fresh temporary
// folder, messages are recorded, and the program-wide state starts as at program start.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <initializer_list>
#include <string>

#include "appdata/appdata.h"
#include "appdata/appservices.h"
#include "utilities/utilities_arrays.h"
#include "defaultdata.h"
#include "support/fakeservices.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "runtime/variant.h"
#include "testsupport.h"

namespace nuvir::test {

// Same kind and same value; arrays: same element kind, bounds and elements.
inline ::testing::AssertionResult SameValue(const Variant& a, const Variant& b) {
    if (a.type() != b.type())
        return ::testing::AssertionFailure() << "kinds differ: " << TypeName(a.type()) << " vs " << TypeName(b.type());
    if (!a.isArray()) {
        if (a.isNull() || VarEquals(a, b)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "values differ: " << TextOf(a) << " vs " << TextOf(b);
    }
    if (a.elemKind() != b.elemKind()) return ::testing::AssertionFailure() << "element kinds differ";
    if (a.dims() != b.dims()) return ::testing::AssertionFailure() << "dimensions differ";
    for (int d = 1; d <= a.dims(); ++d)
        if (a.lbound(d) != b.lbound(d) || a.ubound(d) != b.ubound(d))
            return ::testing::AssertionFailure() << "bounds of dimension " << d << " differ";
    for (std::size_t i = 0; i < a.elements().size(); ++i) {
        auto r = SameValue(a.elements()[i], b.elements()[i]);
        if (!r) return ::testing::AssertionFailure() << "element " << i << ": " << r.message();
    }
    return ::testing::AssertionSuccess();
}

// A value as text: its general text form, a list joined by ",", a table's rows by "|".
inline std::string Text(const Variant& v) {
    switch (MUtilities::ArrayDims(v)) {
        case 1: return MUtilities::JoinArray1D(v, ",");
        case 2: return MUtilities::JoinArray2D(v, ",", "|");
        default: return v.isArray() ? "()" : TextOf(v);
    }
}

// A 16-bit integer value (the kind the files give small whole numbers).
inline Variant Int16(int v) { return Variant(static_cast<std::int16_t>(v)); }

// A main window stand-in that remembers the hide-costs check mark.
class FakeMainForm : public MainFormHost {
public:
    std::int32_t BackColor() const override { return backColor; }
    void SetHideManagementCostsChecked(bool checked) override { hideCostsChecked = checked; }
    std::int32_t backColor = 0x8000000F;
    bool hideCostsChecked = false;
};

class AppDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = App();
        SetAppFacts(AppFacts{dir.str(), "nuvir", 3, 2});
        previousServices_ = SetServices(ServiceSet{&messages});
        ResetProgramState();
    }
    void TearDown() override {
        SetServices(previousServices_);
        SetAppFacts(saved_);
        ResetProgramState();
    }
    static void ResetProgramState() {
        SetFirstActivation(true);
        SetMainWindowHost(nullptr);
        AppData = Variant();
        AppOptions = Variant();
    }
    std::string ProgramIni() const { return dir.file("nuvir.ini"); }
    std::string OptionsIni() const { return dir.file("nuvirOptions.ini"); }

    TempDir dir;
    FakeMessageBox messages;

private:
    AppFacts saved_;
    ServiceSet previousServices_;
};

}  // namespace nuvir::test
