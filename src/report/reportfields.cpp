// The field table of a report, and the plots as RTF pictures.
#include "report/reportfields.h"

#include <QBuffer>
#include <QByteArray>

#include <cmath>

#include "appdata/appdata.h"
#include "appdata/codetables.h"
#include "appdata/options.h"
#include "numerics/numerics.h"
#include "platform/picturebox.h"
#include "results/resultplots.h"
#include "results/runstate.h"
#include "results/simulationinputs.h"
#include "runtime/convert.h"
#include "utilities/formatting.h"

namespace nuvir {

namespace {

std::string FS(double x) { return MKelvaro::FormatSigFigs(x, 4); }

// The simulation input of the snapshot, as the run used it but with the category
// tables as stored.
struct Inputs {
    Variant matrix;
    Variant impactTables;
    Variant costTables;
    bool categoricalImpacts = false;
    bool categoricalCosts = false;
    double At(int q, int column) const { return CDbl(matrix(q, column)); }
};

Inputs ReadInputs(const Variant& snapshot) {
    Inputs in;
    const Variant built = BuildSimulationInputs(snapshot, false);
    if (built.dims() == 2) {
        in.matrix = built;
        return in;
    }
    in.matrix = built(0);
    in.impactTables = built(1);
    in.costTables = built(2);
    in.categoricalImpacts = in.impactTables.isArray();
    in.categoricalCosts = in.costTables.isArray();
    return in;
}

std::string DistributionText(const Inputs& in, int q) { return MKelvaro::DistributionCode(CLng(Variant(in.At(q, 2)))); }

std::string ProbabilityForm(const Inputs& in, int q) {
    return MKelvaro::FormatDecimals(in.At(q, 0)) + "  (" + FS(in.At(q, 1)) + "," + DistributionText(in, q) + ")";
}

std::string ImpactForm(const Inputs& in, int q, bool categorical) {
    if (categorical) return FS(in.At(q, 0)) + "  (*)";
    return FS(in.At(q, 0)) + "  (" + FS(in.At(q, 1)) + "," + DistributionText(in, q) + ")";
}

// A rank correlation to three decimals, starred when it is significant. A correlation
// the engine could not compute (a constant output or input) has no value to show, and
// with no critical value there is no significance to claim.
std::optional<std::string> SensitivityForm(const RunState& run, const Variant& critical, int q, int output) {
    const double r = run.RunRankCorrelations[static_cast<std::size_t>(q)][static_cast<std::size_t>(output)];
    if (r == kNoValue || !std::isfinite(r)) return std::nullopt;
    const std::string text = FormatFixed(r, 3);
    const bool star = !critical.isEmpty() && std::fabs(Val(text)) > CDbl(critical);
    return text + (star ? "*" : " ");
}

// The five statistics of an output column: mean, minimum, maximum, the two limits.
void StatisticsRows(ReportFields& f, int set, int firstRow, const RunState& run, int column) {
    const auto c = static_cast<std::size_t>(column);
    const double values[5] = {run.RunSummary.mean[c], run.RunSummary.min[c], run.RunSummary.max[c], run.RunLimits[c][0],
                              run.RunLimits[c][1]};
    for (int k = 0; k < 5; ++k) f(firstRow + k, set) = FS(values[k]);
}

// An R² text of the sensitivity summary: "  ." (none) reads as no value.
std::optional<std::string> R2Field(const std::string& text) {
    std::string digits;
    for (char ch : text) {
        if (ch != '.') digits += ch;
    }
    if (Trim(digits).empty()) return std::nullopt;
    return text;
}

}  // namespace

ReportFields BuildReportFields(const RunState& run, const ReportFieldInputs& inputs) {
    const Variant& snap = run.RunSnapshot;
    if (!snap.isArray() || !run.HaveRunResults) RaiseComponentError("There are no simulation results to report");
    ReportFields f;
    constexpr int A = field::kSetA;
    constexpr int B = field::kSetB;
    const Inputs in = ReadInputs(snap);

    f(field::kSpecies, A) = TextOf(snap(item::kSpecies));
    f(field::kLocation, A) = TextOf(snap(item::kLocation));
    f(field::kDate, A) = inputs.today;
    if (in.categoricalImpacts) f.categoryTables[0] = in.impactTables;
    if (in.categoricalCosts) f.categoryTables[1] = in.costTables;

    for (int k = 0; k < 4; ++k) {
        f(field::kProbability + k, A) = ProbabilityForm(in, item::kP1 + k);
        f(field::kProbability + k, B) = f(field::kProbability + k, A);
    }
    for (int k = 0; k < 5; ++k) f(field::kImpact + k, A) = ImpactForm(in, item::kI1 + k, in.categoricalImpacts);
    for (int k = 0; k < 4; ++k) f(field::kImpact + k, B) = ImpactForm(in, item::kF1 + k, in.categoricalCosts);

    // The point outcomes and their total: five risks, or four costs.
    auto points = [&](int set, int firstItem, int count) {
        double total = 0;
        for (int k = 0; k < count; ++k) {
            // Read like the snapshot's other items: one that does not convert raises.
            const double v = CDbl(snap(firstItem + k));
            total += v;
            f(field::kPointRisk + k, set) = FS(v);
        }
        f(field::kPointTotal, set) = FS(total);
    };
    points(A, item::kOutcomeRisk, 5);
    points(B, item::kStageCost, 4);

    for (int set : {A, B}) {
        const auto output = static_cast<std::size_t>(set == A ? outcol::kTotalRisk : outcol::kTotalCost);
        f(field::kTrials, set) = FormatDouble(run.RunSummary.trials);
        f(field::kMean, set) = FS(run.RunSummary.mean[output]);
        f(field::kSD, set) = FS(run.RunSummary.sd[output]);
    }

    const Variant& rc = inputs.criticalCorrelation;
    for (int q = 0; q < 9; ++q) f(field::kSensitivity + q, A) = SensitivityForm(run, rc, q, 0);
    for (int k = 0; k < 4; ++k) {
        f(field::kSensitivity + k, B) = SensitivityForm(run, rc, item::kP1 + k, 1);
        f(field::kSensitivity + 4 + k, B) = SensitivityForm(run, rc, item::kF1 + k, 1);
    }

    // The regression options as the run used them; the tails as the stars are tested.
    const std::string generator = std::string(CDbl(snap(item::kPrng)) == 0 ? "VB" : "Custom") +
                                  ",Const=" + (CBool(snap(item::kRegUseConstant)) ? "Y" : "N") +
                                  ",Tails=" + (inputs.twoTails ? "2" : "1");
    f(field::kGenerator, A) = generator;
    f(field::kGenerator, B) = generator;

    const int riskColumns[5] = {outcol::kRisk1, outcol::kRisk1 + 1, outcol::kRisk1 + 2, outcol::kRisk1 + 3,
                                outcol::kTotalRisk};
    const int costColumns[4] = {outcol::kCost1, outcol::kCost1 + 1, outcol::kCost1 + 2, outcol::kTotalCost};
    for (int k = 0; k < 5; ++k) StatisticsRows(f, A, field::kCumulative + 5 * k, run, riskColumns[k]);
    for (int k = 0; k < 4; ++k) StatisticsRows(f, B, field::kCumulative + 5 * k, run, costColumns[k]);

    const std::string confidence = inputs.confidenceText ? inputs.confidenceText(CLng(snap(item::kConfidenceChoice)))
                                                         : "";
    f(field::kConfidence, A) = confidence;
    f(field::kConfidence, B) = confidence;

    if (run.SensitivitySummary) {
        for (int set : {A, B}) {
            const auto& table = (*run.SensitivitySummary)[static_cast<std::size_t>(set)];
            if (table.size() < 2) continue;
            f(field::kRawR2, set) = R2Field(table[0][1]);
            f(field::kRankedR2, set) = R2Field(table[1][1]);
        }
    }
    return f;
}

void AddReportPictures(ReportFields& fields, const RunState& run, ImagePictureBox& picture) {
    for (int kind = 0; kind < 2; ++kind) {
        // A plot whose chart failed is a cleared picture: the report says so in words.
        const auto pictureOrWords = [&](bool drawn) { return drawn ? PictureToRtf(picture) : kPlotNotAvailable; };
        fields(field::kPicture, kind) = pictureOrWords(DrawFrequencyPlot(picture, kind, true, run));
        fields(field::kPicture + 1, kind) = pictureOrWords(DrawSensitivityPlot(picture, kind, true, run));
        fields(field::kPicture + 2, kind) = pictureOrWords(DrawCumulativePlot(picture, kind, true, run));
    }
}

std::string PictureToRtf(const QImage& image, double twipsPerPixelX, double twipsPerPixelY) {
    if (image.isNull() || image.width() < 1 || image.height() < 1) return kPlotNotAvailable;
    // The report's plots are black on white; the threshold only catches stray grey.
    const QImage mono = image.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither | Qt::MonoOnly);
    QByteArray png;
    QBuffer buffer(&png);
    if (mono.isNull() || !buffer.open(QIODevice::WriteOnly) || !mono.save(&buffer, "PNG")) return kPlotNotAvailable;
    std::string out = "{\\*\\shppict{\\pict\\pngblip\\picw" + FormatDouble(image.width()) + "\\pich" +
                      FormatDouble(image.height()) + "\\picwgoal" +
                      FormatDouble(RoundHalfEven(image.width() * twipsPerPixelX)) + "\\pichgoal" +
                      FormatDouble(RoundHalfEven(image.height() * twipsPerPixelY)) + " ";
    out += png.toHex().toUpper().toStdString();
    out += "}}";
    return out;
}

std::string PictureToRtf(const ImagePictureBox& picture) {
    return PictureToRtf(picture.Image(), picture.TwipsPerPixelX(), picture.TwipsPerPixelY());
}

}  // namespace nuvir
