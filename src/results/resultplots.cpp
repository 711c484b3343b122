#include "results/resultplots.h"

#include <cmath>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "appdata/appdata.h"
#include "controls/chart.h"
#include "controls/chart_axes.h"
#include "numerics/numerics.h"
#include "runtime/convert.h"
#include "utilities/criticalcorrelation.h"

namespace nuvir {

namespace {

constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kBlack = 0;
constexpr Colour kRed = 0xFF;
constexpr Colour kGrey = 0xC0C0C0;

}  // namespace

std::array<Variant, 8> PlotOptions(const Variant& options, int item) {
    std::array<Variant, 8> p;
    if (!options.isArray() || item < options.lbound() || item > options.ubound()) return p;
    const Variant& a = options(item);
    if (a.dims() != 1) return p;
    for (int i = 0; i < 8; ++i) {
        const int k = a.lbound() + i;
        if (k <= a.ubound()) p[static_cast<std::size_t>(i)] = a(k);
    }
    return p;
}

namespace {

Colour OptionColour(const Variant& options, int item) { return CLng(options(item)); }

Variant Colours(Colour background, Colour series) {
    Variant c = Variant::MakeArray(VarType::Int32, {{0, 1}});
    c(0) = static_cast<int>(background);
    c(1) = static_cast<int>(series);
    return c;
}

Variant Options(std::int32_t last) { return Variant::MakeArray(VarType::Generic, {{0, last}}); }

// Puts the picture's line width and fill style back as they were.
class PenState {
public:
    explicit PenState(PictureBox& pic) : pic_(pic), width_(pic.DrawWidth()), fill_(pic.FillStyle()) {}
    ~PenState() {
        pic_.SetDrawWidth(width_);
        pic_.SetFillStyle(fill_);
    }
    PenState(const PenState&) = delete;
    PenState& operator=(const PenState&) = delete;

private:
    PictureBox& pic_;
    int width_;
    int fill_;
};

double NoValueAsZero(double v) { return v == NumericLimits::LowestDouble ? 0.0 : v; }

}  // namespace

double ConfidencePercent(const Variant& choice) {
    static constexpr std::array<double, 3> kPercent{90.0, 95.0, 99.0};
    const std::int32_t i = std::clamp<std::int32_t>(CLng(choice), 0, 2);
    return kPercent[static_cast<std::size_t>(i)];
}

Variant RunCriticalCorrelation(const RunState& run, bool twoTails) {
    const Variant choice = run.RunSnapshot.isArray() ? run.RunSnapshot(item::kConfidenceChoice) : Variant(1);
    const double alpha = 1.0 - ConfidencePercent(choice) / 100.0;
    return MKelvaro::CriticalCorrelation(run.RunSummary.trials, alpha, twoTails ? 2 : 1);
}

bool DrawFrequencyPlot(PictureBox& target, int kind, bool forReport, const RunState& run, const Variant& options) {
    const auto p = PlotOptions(options, kind == 0 ? opt::kPlotPandIMonteCarlo : opt::kPlotCostsMonteCarlo);
    const int output = kind == 0 ? 0 : 1;
    const std::int32_t classes = run.RunFrequencies.classes;
    std::vector<double> x(static_cast<std::size_t>(classes));
    std::vector<double> y(x.size());
    for (std::int32_t k = 0; k < classes; ++k) {
        x[static_cast<std::size_t>(k)] = run.RunFrequencies.Midpoint(k, output);
        y[static_cast<std::size_t>(k)] = run.RunFrequencies.Count(k, output);
    }
    Variant colours = forReport ? Colours(kWhite, kBlack)
                                : Colours(OptionColour(options, opt::kColourPlotBackground),
                                          OptionColour(options, kind == 0 ? opt::kColourOval : opt::kColourFixedCost));
    const Variant titles = Variant::List({kind == 0 ? "Total Biological Risk" : "Management Cost", "Frequency"});
    Variant o = Options(10);
    // The frequency axis starts at zero unless the analyst gave a minimum; the text
    // "Auto" that a saved options file holds means none.
    o(3) = IsNumeric(p[4]) ? CDbl(p[4]) : 0.0;
    o(4) = p[5];
    o(5) = p[6];
    o(6) = p[0];
    o(7) = p[1];
    o(8) = p[2];
    o(9) = p[7];
    o(10) = p[3];

    // The chart sets its own pen; the caller gets back the one it had.
    PenState pen(target);
    CChart chart;
    chart.SetTarget(&target);
    // Each bar spans its class, so the bars meet at every width of the picture: one
    // pixel wide they left columns of background between them wherever the classes
    // fell between pixels.
    if (classes >= 2) chart.SetBarSpan(std::abs(x[1] - x[0]));
    if (chart.DrawVBarGraph(ChartSeries(x, y), colours, true, titles, o)) return false;
    const Variant axis = chart.AxisData();
    // The point total can lie beyond every trial's total, so beyond the X axis; its
    // marker then must not run over the margin and off the picture.
    const PlotClip clip(chart);
    const Colour marker = forReport ? kBlack : kRed;
    const double point = kind == 0 ? run.PointTotalRisk : run.PointTotalCost;
    const double lower = run.RunLimits[static_cast<std::size_t>(output)][0];
    const double upper = run.RunLimits[static_cast<std::size_t>(output)][1];
    const double h = axis.dims() == 2 ? CDbl(axis(1, 3)) - CDbl(axis(1, 2)) : 0.0;
    // The markers stand where the chart put the data (huge results are drawn scaled).
    const double base = chart.SurfaceY(0);
    if (forReport) {
        target.SetFillStyle(7);
        target.SetDrawWidth(1);
        const double w = target.ScaleX(10, scale::Pixels, scale::User);
        const auto box = [&](double v, double half, double height) {
            const double x = chart.SurfaceX(v), top = chart.SurfaceY(height);
            target.Line(x - half, base, x + half, top, kWhite, LineShape::FilledBox);
            target.Line(x - half, base, x + half, top, marker, LineShape::Box);
        };
        box(point, w / 2, h / 4);
        box(lower, 0.3 * w, h / 8);
        box(upper, 0.3 * w, h / 8);
    } else {
        target.SetDrawWidth(2);
        for (const auto& [v, height] : {std::pair{point, h / 4}, std::pair{lower, h / 8}, std::pair{upper, h / 8}})
            target.Line(chart.SurfaceX(v), base, chart.SurfaceX(v), chart.SurfaceY(height), marker);
    }
    return true;
}

bool DrawCumulativePlot(PictureBox& target, int kind, bool forReport, const RunState& run, const Variant& options) {
    const auto p = PlotOptions(options, kind == 0 ? opt::kPlotPandICumulative : opt::kPlotCostsCumulative);
    static const std::vector<int> kRiskColumns{2, 3, 4, 5, 0};
    static const std::vector<int> kCostColumns{6, 7, 8, 1};
    static const std::vector<std::string> kRiskLabels{"R1", "R1..R2    ", "R1..R3    ", "R1..R4    ", "R1..R5    "};
    static const std::vector<std::string> kCostLabels{"C1", "C1..C2    ", "C1..C3    ", "C1..C4    "};
    const auto& columns = kind == 0 ? kRiskColumns : kCostColumns;
    const auto& labels = kind == 0 ? kRiskLabels : kCostLabels;
    const std::size_t n = columns.size();
    const auto& s = run.RunSummary;

    std::vector<double> x(n), mins(n), maxs(n), means(n), lows(n), highs(n);
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<std::size_t>(columns[i]);
        x[i] = static_cast<double>(i);
        mins[i] = s.min[c];
        maxs[i] = s.max[c];
        means[i] = s.mean[c];
        lows[i] = run.RunLimits[c][0];
        highs[i] = run.RunLimits[c][1];
    }
    const double lo = MathFunctions::ArrayMin(mins);
    const double hi = MathFunctions::ArrayMax(maxs);
    std::vector<double> range(n, lo);
    range.back() = hi;

    const Colour background = forReport ? kWhite : OptionColour(options, opt::kColourPlotBackground);
    const Colour meanColour = forReport ? kBlack
                                        : OptionColour(options, kind == 0 ? opt::kColourOval : opt::kColourFixedCost);
    const Colour otherColour = forReport ? kBlack : kRed;

    CChart chart;
    chart.SetTarget(&target);
    Variant labelList = Variant::MakeArray(VarType::Generic, {{0, static_cast<std::int32_t>(n) - 1}});
    for (std::size_t i = 0; i < n; ++i) labelList(static_cast<std::int32_t>(i)) = labels[i];
    Variant axesOptions = Options(5);
    axesOptions(3) = p[4];
    axesOptions(4) = p[5];
    axesOptions(5) = p[6];
    Variant colours = Colours(background, background);
    // A failed graph clears the picture, and the graphs after it still draw over it.
    bool failed = chart.DrawLineGraph(ChartSeries(x, range), colours, true, false,
                                      Variant::List({" ", kind == 0 ? "Biological Risk" : "Management Cost"}),
                                      axesOptions, labelList, false);
    const Variant axis = chart.AxisData();
    const double ymin = axis.dims() == 2 ? CDbl(axis(1, 2)) : lo;
    const double ymax = axis.dims() == 2 ? CDbl(axis(1, 3)) : hi;
    const auto clamped = [&](std::vector<double> v) {
        for (double& e : v) e = MathFunctions::Max(ymin, MathFunctions::Min(ymax, e));
        return v;
    };

    Variant meanOptions = Options(9);
    meanOptions(9) = p[7];
    // Two-variable data leaves the colour pairs as they are.
    Variant meanColours = Colours(background, meanColour);
    Variant limitColours = Colours(background, otherColour);
    failed |= chart.DrawLineGraph(ChartSeries(x, means), meanColours, false, false, Variant(), meanOptions);
    const Variant dotted = Variant::List({2});
    failed |= chart.DrawLineGraph(ChartSeries(x, clamped(lows)), limitColours, false, false);
    failed |= chart.DrawLineGraph(ChartSeries(x, clamped(highs)), limitColours, false, false);
    failed |= chart.DrawLineGraph(ChartSeries(x, clamped(mins)), limitColours, false, false, Variant(), dotted);
    failed |= chart.DrawLineGraph(ChartSeries(x, clamped(maxs)), limitColours, false, false, Variant(), dotted);
    failed |= chart.DrawLineGraph(ChartSeries(x, means), meanColours, false, false, Variant(),
                                  Variant::List({0, 1, static_cast<std::int16_t>(5)}), Variant(), true);
    chart.SetTarget(nullptr);
    return !failed;
}

bool DrawSensitivityPlot(PictureBox& target, int kind, bool forReport, const RunState& run, const Variant& options,
                         bool twoTails) {
    std::array<Variant, 8> p;
    if (kind == 0 || kind == 1) {
        p = PlotOptions(options, kind == 0 ? opt::kPlotPandISensitivity : opt::kPlotCostsSensitivity);
    }
    const Colour background = forReport ? kWhite : OptionColour(options, opt::kColourPlotBackground);

    CChart chart;
    chart.SetTarget(&target);
    Variant colours = Colours(background, background);
    Variant axesOptions = Options(5);
    axesOptions(0) = true;
    axesOptions(3) = p[4];
    axesOptions(4) = p[5];
    axesOptions(5) = p[6];
    bool failed = chart.DrawVBarGraph(ChartSeries({-1, 9}, {-1, 1}), colours, true,
                                      Variant::List({"Sensitivity", "Rank Correlation"}), axesOptions);

    const Variant crit = RunCriticalCorrelation(run, twoTails);
    if (!crit.isEmpty()) {
        const double c = CDbl(crit);
        if (forReport) {
            const int fill = target.FillStyle();
            target.SetDrawStyle(drawstyle::Dot);
            // The outline must not be filled, whatever the picture was left with.
            target.SetFillStyle(fillstyle::Transparent);
            target.Line(-0.75, chart.SurfaceY(-c), 8.75, chart.SurfaceY(c), kBlack, LineShape::Box);
            target.SetFillStyle(fill);
        } else {
            const Colour zone = OptionColour(options, opt::kColourPlotBackground) == kGrey ? kWhite : kGrey;
            Variant zoneOptions = Options(2);
            zoneOptions(0) = true;
            zoneOptions(1) = target.ScaleX(9.5, scale::User, scale::Pixels);
            zoneOptions(2) = 0;
            colours = Colours(background, zone);
            failed |= chart.DrawVBarGraph(ChartSeries({4, 4}, {c, -c}), colours, false, Variant(), zoneOptions);
        }
    }

    const auto& rc = run.RunRankCorrelations;
    const auto value = [&](int input) {
        return NoValueAsZero(rc[static_cast<std::size_t>(input)][static_cast<std::size_t>(kind == 1 ? 1 : 0)]);
    };
    std::vector<double> px, py;
    for (int j = 0; j < 4; ++j) {
        px.push_back(j);
        py.push_back(value(j));
    }
    Variant pOptions = Options(9);
    pOptions(1) = 10;
    pOptions(2) = 0;
    if (!p[7].isEmpty() && IsNumeric(p[7])) pOptions(9) = p[7];
    colours = Colours(background, forReport ? kBlack : OptionColour(options, opt::kColourPBox));
    failed |= chart.DrawVBarGraph(ChartSeries(px, py), colours, false, Variant(), pOptions);

    std::vector<double> gx, gy;
    const int first = kind == 1 ? item::kF1 : item::kI1;
    const int last = kind == 1 ? item::F(4) : item::I(5);
    for (int j = first; j <= last; ++j) {
        gx.push_back(kind == 1 ? j - 5 : j);
        gy.push_back(value(j));
    }
    colours = Colours(background,
                      forReport ? kBlack : OptionColour(options, kind == 1 ? opt::kColourFixedCost : opt::kColourIBox));
    failed |= chart.DrawVBarGraph(ChartSeries(gx, gy), colours, false, Variant(), Variant::List({Variant(), 10, 0}));

    const Variant axis = chart.AxisData();
    if (axis.dims() != 2) return false;
    // The X axis is -1..9 always, so X positions go to the picture as they are.
    target.Line(CDbl(axis(0, 2)), chart.SurfaceY(0), CDbl(axis(0, 3)), chart.SurfaceY(0), kBlack);

    static const std::vector<std::string> kRiskLabels{"p1", "p2", "p3", "p4", "I1", "I2", "I3", "I4", "I5"};
    static const std::vector<std::string> kCostLabels{"p1", "p2", "p3", "p4", "F1", "F2", "F3", "F4"};
    const auto& labels = kind == 1 ? kCostLabels : kRiskLabels;
    const double row = chart.SurfaceY(CDbl(axis(1, 2))) + 0.2 * target.TextHeight("E");
    const double shift = target.ScaleX(10, scale::Pixels, scale::User) / 4;
    // A narrow plot leaves out labels at a regular step; the details table names every bar.
    std::vector<double> starts, ends;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        starts.push_back(static_cast<double>(i) - shift);
        ends.push_back(starts.back() + target.TextWidth(labels[i]));
    }
    const std::vector<bool> fits = chart::LabelsThatFit(starts, ends, target.TextWidth(" "));
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (!fits[i]) continue;
        // Print moves to the next line; every label goes on the same row.
        target.SetCurrentY(static_cast<float>(row));
        target.SetCurrentX(static_cast<float>(starts[i]));
        target.Print(labels[i]);
    }
    return !failed;
}

bool DrawFrequencyPlot(PictureBox& target, int kind, bool forReport, const RunState& run) {
    return DrawFrequencyPlot(target, kind, forReport, run, AppOptions);
}

bool DrawCumulativePlot(PictureBox& target, int kind, bool forReport, const RunState& run) {
    return DrawCumulativePlot(target, kind, forReport, run, AppOptions);
}

bool DrawSensitivityPlot(PictureBox& target, int kind, bool forReport, const RunState& run) {
    return DrawSensitivityPlot(target, kind, forReport, run, AppOptions, LiveRhoTwoTails());
}

bool LiveRhoTwoTails() { return CBool(ItemOrEmpty(AppData, item::kRhoTwoTails)); }

}  // namespace nuvir
