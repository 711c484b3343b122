#pragma once
// Shared set-up of the chain tests: the program-wide data and options hold the built-in
// defaults and are emptied again afterwards; a scripted table dialog; a recording picture
// that keeps each printed label with where and how it went.
#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <vector>

#include "appdata/appdata.h"
#include "appdata/options.h"
#include "chain/categorydata.h"
#include "chain/chain.h"
#include "chain/chainelement.h"
#include "support/recordingpicturebox.h"
#include "runtime/convert.h"
#include "runtime/variant.h"
#include "defaultdata.h"
#include "testsupport.h"

namespace nuvir::test {

inline double N(const Variant& v) { return v.numberValue(); }

inline std::vector<double> Row(const Variant& table, int row) {
    std::vector<double> out;
    for (int j = table.lbound(2); j <= table.ubound(2); ++j) out.push_back(N(table(row, j)));
    return out;
}

// A table dialog that answers from a script and remembers what it was shown.
struct ScriptedTableEditor : ITableEditor {
    std::optional<Variant> Edit(const Variant& textTable, const Variant& headings, const Variant&) override {
        shown = textTable;
        shownHeadings = headings;
        ++calls;
        return answer;
    }
    std::optional<Variant> answer;
    Variant shown, shownHeadings;
    int calls = 0;
};

struct LabelPicture : RecordingPictureBox {
    using RecordingPictureBox::RecordingPictureBox;
    struct Printed {
        std::string text;
        float x, y;
        bool italic;
    };
    std::vector<Printed> printed;
    void Print(const std::string& text) override {
        printed.push_back({text, CurrentX(), CurrentY(), FontItalic()});
        RecordingPictureBox::Print(text);
    }
    const Printed* Find(const std::string& text) const {
        for (const auto& p : printed)
            if (p.text == text) return &p;
        return nullptr;
    }
};

// The default chain measured and drawn at `scale` on a recording picture.
struct DrawnChain {
    LabelPicture pic;
    CChain chain;
    DrawnChain(int widthPx, int heightPx, double scale, double charWidthPx = 7) : pic(widthPx, heightPx) {
        pic.charWidthPx = charWidthPx;
        chain.SetHost(&pic);
        chain.Measure();
        chain.SetScaleFactor(scale);
        chain.Render();
    }
};

using ChainTest = DefaultDataTest;

}  // namespace nuvir::test
