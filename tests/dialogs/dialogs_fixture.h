#pragma once
// Shared set-up of the dialog tests: the program-wide arrays at their defaults, the
// modal services faked and fixed screen metrics.
#include "defaultdata.h"
#include "formdriver.h"
#include "support/fakefiledialog.h"
#include "support/fakeservices.h"
#include "platform/screen.h"
#include "runtime/convert.h"

namespace nuvir::test {

class DialogTest : public DefaultDataTest {
protected:
    void SetUp() override {
        DefaultDataTest::SetUp();
        SetScreenMetrics(&metrics_);
        SetFileDialogService(&fileDialog_);
        ExportPath = "/data";
    }
    void TearDown() override {
        // A handler that failed shows its error: none may.
        for (const auto& call : services_.messageBox.calls) ADD_FAILURE() << "message: " << call.text;
        ExportPath.clear();
        SetFileDialogService(nullptr);
        SetScreenMetrics(nullptr);
        DefaultDataTest::TearDown();
    }

    ScreenMetrics metrics_{};
    FakeServices services_;
    FakeFileDialog fileDialog_;
};

// The element texts of a list, "-" for Empty.
inline std::string Texts(const Variant& a) {
    std::string s;
    for (int i = a.lbound(1); i <= a.ubound(1); ++i)
        s += (i > a.lbound(1) ? "," : "") + (a(i).isEmpty() ? "-" : CStr(a(i)));
    return s;
}

// The generic Boolean list that options item 12 holds.
inline Variant Flags(bool a, bool b, bool c) { return Variant::List({Variant(a), Variant(b), Variant(c)}); }

}  // namespace nuvir::test
