#pragma once
// The report's field table from a run: the assessment as the run took it (its
// snapshot), the point outcomes, the statistics, limits and rank correlations of the
// run, and the six plots drawn for the report and turned into RTF pictures.
#include <QImage>

#include <functional>
#include <string>

#include "report/report.h"
#include "runtime/variant.h"

namespace nuvir {

class ImagePictureBox;
struct RunState;

struct ReportFieldInputs {
    // The smallest significant rank correlation, Empty when none can be judged.
    Variant criticalCorrelation;
    // Correlations are tested with two tails (the live setting).
    bool twoTails = true;
    // The report's date, "DD-MMM-YYYY".
    std::string today;
    // The confidence list's text at an index.
    std::function<std::string(int)> confidenceText;
};

// Every text field of both sets and the category tables; the picture rows stay empty.
// Raises when the run holds no snapshot or results.
ReportFields BuildReportFields(const RunState& run, const ReportFieldInputs& inputs);

// Draws the three plots of each set on the picture in report style and stores each as
// an RTF picture in rows 59 to 61 at once, before the next drawing replaces it; a plot
// that could not be drawn is stored as "Plot not available".
void AddReportPictures(ReportFields& fields, const RunState& run, ImagePictureBox& picture);

// A picture as an RTF picture group holding a one-bit PNG, with its size in pixels and
// its goal size in twips (pixels times twips per pixel); "Plot not available" when the
// picture is empty or cannot be encoded.
std::string PictureToRtf(const QImage& image, double twipsPerPixelX, double twipsPerPixelY);
std::string PictureToRtf(const ImagePictureBox& picture);

inline constexpr const char* kPlotNotAvailable = "Plot not available";

}  // namespace nuvir
