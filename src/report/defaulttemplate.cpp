// The built-in report template: two pages, set A (biological risks) on the first and
// set B (management costs) on the second, each a banner or heading and a 36-row
// borderless table whose first column holds the three plots.
//
// Line breaks (CR LF) stand only before a "\", "{" or "}" or inside picture hex, where
// RTF ignores them. The one \page stands in its own group right after the first page's
// table, so cutting at that group's "{" keeps page 1 whole; the company line in the
// information group marks the template as this one.
#include <string>
#include <vector>

#include "report/chainpicture.h"
#include "report/report.h"
#include "runtime/convert.h"

namespace nuvir {

namespace {

constexpr const char* kNL = "\r\n";

enum class Align { Left, Right };

// One cell of a results-table row: its right edge, its RTF text and how it is set.
struct Cell {
    int edge = 0;
    std::string text;
    Align align = Align::Left;
    int halfPoints = 16;
    // Column 1 holds the pictures: a run of vertically merged cells.
    enum class Merge { None, First, Next } merge = Merge::None;
};

std::string Num(int n) { return FormatDouble(n); }

std::string Underlined(const std::string& text) { return text.empty() ? text : "{\\ul " + text + "}"; }

// "p1 =   %Ap1a%"; empty when there is no label.
std::string Value(const std::string& label, const std::string& placeholder) {
    return label.empty() ? std::string() : label + " =   " + placeholder;
}

// A negative height is exact, a positive one a minimum (as RTF writes them).
void AppendRow(std::string& out, int height, const std::vector<Cell>& cells) {
    out += "\\trowd \\trgaph115\\trleft-115\\trrh" + Num(height);
    out += kNL;
    for (const Cell& c : cells) {
        if (c.merge == Cell::Merge::First) out += "\\clvmgf";
        if (c.merge == Cell::Merge::Next) out += "\\clvmrg";
        out += "\\clvertalt\\cellx" + Num(c.edge);
        out += kNL;
    }
    for (const Cell& c : cells) {
        out += "\\pard\\plain ";
        out += c.align == Align::Right ? "\\qr" : "\\ql";
        out += " \\intbl\\f0\\fs" + Num(c.halfPoints) + " ";
        if (!c.text.empty()) out += "{" + c.text + "}";
        out += "\\cell";
        out += kNL;
    }
    out += "{\\row }";
    out += kNL;
}

// Column 2 and 3 texts of rows 1 to 28 (row 15 is the two-cell row and not listed).
struct Rows {
    std::vector<std::string> column2;
    std::vector<std::string> column3;
};

Rows PageRows(char set) {
    const std::string s(1, set);
    auto ph = [&](const char* base) { return "%" + s + base; };
    const bool a = set == 'A';
    Rows r;
    // Laid out by hand: the values that belong together share a line.
    // clang-format off
    r.column2 = {
        Underlined("Probabilities"),
        Value("p1", ph("p1a%")), Value("p2", ph("p2a%")), Value("p3", ph("p3a%")), Value("p4", ph("p4a%")),
        "", "", "",
        Underlined(a ? "Impacts" : "Fixed Costs"),
        Value(a ? "I1" : "F1", ph("I1a%")), Value(a ? "I2" : "F2", ph("I2a%")),
        Value(a ? "I3" : "F3", ph("I3a%")), Value(a ? "I4" : "F4", ph("I4a%")),
        a ? Value("I5", ph("I5a%")) : "",
        Underlined("Sensitivities"),
        Value("p1", ph("p1b%")), Value("p2", ph("p2b%")), Value("p3", ph("p3b%")), Value("p4", ph("p4b%")),
        "",
        Value(a ? "I1" : "F1", ph("I1b%")), Value(a ? "I2" : "F2", ph("I2b%")),
        Value(a ? "I3" : "F3", ph("I3b%")), Value(a ? "I4" : "F4", ph("I4b%")),
        a ? Value("I5", ph("I5b%")) : "",
        "", "",
    };
    r.column3 = {
        a ? Underlined("Calculated Risks") : "{\\ul Calculated}{\\ul  Costs}",
        Value(a ? "R1" : "C1", ph("R1a%")), Value(a ? "R2" : "C2", ph("R2a%")),
        Value(a ? "R3" : "C3", ph("R3a%")), Value(a ? "R4" : "C4", ph("R4a%")),
        a ? Value("R5", ph("R5a%")) : Value("CT", ph("RTa%")),
        a ? Value("Rb", ph("RTa%")) : "",
        "",
        Underlined("Simulation Stats"),
        Value("N", ph("Na%")), Value("Mean", ph("Ma%")), Value("SD", ph("Sa%")),
        "", "",
        "",
        Value("R2 (Raw)", ph("RR2a%")), Value("R2 (Ranked)", ph("RR2b%")),
        "", "", "", "", "", "", "", "", "", "",
    };
    // clang-format on
    return r;
}

void AppendResultsTable(std::string& out, char set) {
    const std::string s(1, set);
    const bool a = set == 'A';
    const Rows rows = PageRows(set);
    auto picture = [&](int n, bool first) {
        Cell c{4556, first ? "%" + s + "pic" + Num(n) + "%" : std::string(), Align::Left, 20};
        c.merge = first ? Cell::Merge::First : Cell::Merge::Next;
        return c;
    };
    // Rows 1 to 28: the values beside the first two pictures.
    for (int row = 1; row <= 28; ++row) {
        if (row == 15) {
            AppendRow(out, -216, {picture(2, true), Cell{7056, ""}});
            continue;
        }
        const std::size_t k = static_cast<std::size_t>(row < 15 ? row - 1 : row - 2);
        const Cell first = row < 15 ? picture(1, row == 1) : picture(2, false);
        AppendRow(out, -216, {first, Cell{7056, rows.column2[k]}, Cell{10080, rows.column3[k]}});
    }
    // Rows 29 to 36: the cumulative table beside the third picture.
    const std::string title = a ? "{\\ul Cumulative Risk (CI = %ACI%)}{\\ul   [Sx = Sum R1 to Rx]}"
                                : "{\\ul Cumulative }{\\ul Management}{\\ul  Cost (CI = %BCI%)  [Sx = Sum C1 to Cx]}";
    AppendRow(out, -216, {picture(3, true), Cell{10080, title}});
    const int edges[7] = {4556, 5040, 6048, 7056, 8064, 9072, 10080};
    auto cumulativeRow = [&](int height, const std::string& label, const std::vector<std::string>& values,
                             int secondEdge) {
        std::vector<Cell> cells{picture(3, false), Cell{secondEdge, label}};
        for (int c = 0; c < 5; ++c) {
            cells.push_back(
                Cell{edges[2 + c], values.empty() ? "" : values[static_cast<std::size_t>(c)], Align::Right});
        }
        AppendRow(out, height, cells);
    };
    cumulativeRow(-216, "",
                  {Underlined("Mean"), Underlined("Min"), Underlined("Max"), Underlined("Lower CI"),
                   Underlined("Upper CI")},
                  edges[1]);
    const int sums = a ? 5 : 4;
    for (int k = 1; k <= 5; ++k) {
        if (k > sums) {
            cumulativeRow(-432, "", {}, edges[1]);
            continue;
        }
        std::vector<std::string> values;
        values.reserve(5);
        for (int c = 0; c < 5; ++c) values.push_back("%" + s + "R" + Num(k) + "a" + Num(c) + "%");
        cumulativeRow(-432, "S" + Num(k), values, edges[1]);
    }
    cumulativeRow(-432, "", {}, 5046);
}

// Cell 2 of the banner: a nested table of three label and value rows.
void AppendBannerLabels(std::string& out) {
    const char* labels[3] = {"Species:", "Location:", "Date:"};
    const char* values[3] = {"%ASpecies%", "%ALocation%", "%ADate%"};
    for (int r = 0; r < 3; ++r) {
        const bool last = r == 2;
        out += "\\pard\\plain \\ql \\intbl\\itap2\\f0\\fs20 {\\ul ";
        out += labels[r];
        out += "}\\nestcell";
        out += kNL;
        out += "\\pard\\plain \\ql \\intbl\\itap2\\f0\\fs20 {";
        out += values[r];
        out += "}\\nestcell";
        out += kNL;
        out += "{\\*\\nesttableprops\\trowd \\trgaph54\\trleft0\\trrh-";
        out += last ? "1152" : "576";
        const char* v = last ? "\\clvertalb" : "\\clvertalt";
        // The label cell holds "Location:" at 10 pt whole (917 twips in the DejaVu Sans
        // an office suite shows for Arial where Arial is missing, 812 in Arial) with
        // narrower gaps, leaving the value cell room for a long name; the nested table
        // ends where it always did.
        out += std::string(v) + "\\cellx1040" + v + "\\cellx3505\\nestrow}{\\nonesttables \\par }";
        out += kNL;
    }
}

std::string BuildTemplate() {
    std::string out;
    out.reserve(40000);
    // Prologue. "\jexpand\viewkind1" is one run: a break between \jexpand\v and iewkind1
    // would leave \v, hidden text, for the rest of the document.
    out +=
        "{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0\\stshfdbch0\\stshfloch0\\stshfhich0\\stshfbi0"
        "\\deflang1033\\deflangfe1033"
        "{\\fonttbl{\\f0\\fswiss\\fcharset0\\fprq2{\\*\\panose 020b0604020202020204}Arial;}}"
        "{\\info{\\*\\company ";
    out += kTemplateLandmark;
    out += "}}\\paperw12240\\paperh15840\\margl1440\\margr1440\\margt1080\\margb1080\\gutter0 ";
    out += kNL;
    out +=
        "\\widowctrl\\ftnbj\\aenddoc\\noxlattoyen\\expshrtn\\noultrlspc\\dntblnsbdb\\nospaceforul\\formshade"
        "\\horzdoc\\dghspace180\\dgvspace180\\dghorigin1701\\dgvorigin1984\\dghshow0\\dgvshow0\\jexpand\\v"
        "iewkind1\\viewscale100\\pgbrdrhead\\pgbrdrfoot\\nolnhtadjtbl\\rsidroot7411244 ";
    out += kNL;
    out += "\\fet0\\sectd \\linex0\\endnhere\\sectdefaultcl ";
    out += kNL;

    // Title.
    out += "\\pard\\plain \\qc \\f0\\fs20 {\\fs28\\ul Appendix: Biological Risk Assessment Report ";
    out += kNL;
    out += "\\par }{\\par }{\\par }";
    out += kNL;

    // Banner: the chain picture and the species, location and date.
    out += "\\trowd \\trgaph108\\trleft0\\trrh-2448 \\clvertalt\\cellx6035\\clvertalt\\cellx9545";
    out += kNL;
    out +=
        "\\pard\\plain \\ql \\intbl\\itap1\\f0\\fs20 {{\\*\\shppict{\\pict{\\*\\picprop\\shplid1025"
        "{\\sp{\\sn shapeType}{\\sv 75}}{\\sp{\\sn fFlipH}{\\sv 0}}{\\sp{\\sn fFlipV}{\\sv 0}}"
        "{\\sp{\\sn fLine}{\\sv 0}}{\\sp{\\sn fLayoutInCell}{\\sv 1}}}";
    out += kNL;
    out +=
        "\\picscalex47\\picscaley47\\piccropl0\\piccropr0\\piccropt0\\piccropb0\\picw20108\\pich9155"
        "\\picwgoal11400\\pichgoal5190\\pngblip ";
    out += kNL;
    out += kChainPictureHex;
    out += kNL;
    out += "}}{\\nonshppict}}\\cell";
    out += kNL;
    AppendBannerLabels(out);
    out += "\\pard\\plain \\ql \\intbl\\itap1\\f0\\fs20 \\cell";
    out += kNL;
    out +=
        "\\pard\\plain \\ql \\intbl\\itap1\\f0\\fs20 {\\trowd \\trgaph108\\trleft0\\trrh-2448 "
        "\\clvertalt\\cellx6035\\clvertalt\\cellx9545\\row }";
    out += kNL;

    // Page 1: the biological risks.
    out += "\\pard\\plain \\ql \\f0\\fs20 {\\par }";
    out += kNL;
    out +=
        "{\\fs24\\ul\\insrsid3416584\\charrsid9320298 Monte Carlo Simulation Results: Biological Risks}"
        "{\\fs18          [PRNG=%APRNG%]\\par }{\\fs24 \\par }";
    out += kNL;
    AppendResultsTable(out, 'A');
    out += "\\pard\\plain \\ql \\f0\\fs20 {\\par }";
    out += kNL;

    // Page 2: the management costs.
    out +=
        "\\pard\\plain \\qc \\f0\\fs20 {\\insrsid6162057 \\page }"
        "{\\fs28\\ul\\insrsid6162057 Appendix:  Biological Risk Assessment Report (cont\\rquote d)}"
        "{\\par }{\\par }{\\par }{\\par }";
    out += kNL;
    out +=
        "\\pard\\plain \\ql \\f0\\fs20 "
        "{\\fs24\\ul\\insrsid6162057\\charrsid9320298 Monte Carlo Simulation Results: Management Costs}"
        "{\\fs18          [PRNG=%BPRNG%]\\par }{\\fs24 \\par }";
    out += kNL;
    AppendResultsTable(out, 'B');
    out += "\\pard\\plain \\ql \\f0\\fs20 {\\par }{\\insrsid13387535\\charrsid3416584 ";
    out += kNL;
    out += "\\par }}";
    return out;
}

}  // namespace

const std::string& CReport::DefaultTemplate() {
    static const std::string text = BuildTemplate();
    return text;
}

}  // namespace nuvir
