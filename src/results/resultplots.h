#pragma once
// The six result plots of a run, drawn from a run state with the chart class: the
// frequency histograms, the sensitivity bars and the cumulative curves of total risk
// (kind 0) and total cost (kind 1). Screen style uses the analyst's colours; report
// style draws black on white for the report's one-bit pictures.
//
// The routines read only the run state, the options array (colours and the plot axis
// options) and, for the significance zone, whether correlations are tested with two
// tails. They raise when the run state holds no results; callers guard them. Each
// returns whether the plot was drawn: false when one of its chart calls failed and so
// cleared the picture (values the chart cannot draw, a picture too small for the
// axes), which the report then says in words rather than with an empty picture.
#include <array>

#include "platform/picturebox.h"
#include "results/runstate.h"
#include "runtime/variant.h"

namespace nuvir {

bool DrawFrequencyPlot(PictureBox& target, int kind, bool forReport, const RunState& run, const Variant& options);
bool DrawCumulativePlot(PictureBox& target, int kind, bool forReport, const RunState& run, const Variant& options);
bool DrawSensitivityPlot(PictureBox& target, int kind, bool forReport, const RunState& run, const Variant& options,
                         bool twoTails);

// The same with the program-wide options and application data (item 40, the tails).
bool DrawFrequencyPlot(PictureBox& target, int kind, bool forReport, const RunState& run);
bool DrawCumulativePlot(PictureBox& target, int kind, bool forReport, const RunState& run);
bool DrawSensitivityPlot(PictureBox& target, int kind, bool forReport, const RunState& run);

// The plot axis options of one plot type (options item 13..18): eight elements, Empty
// where the item holds none (an item that is not an array gives eight Empty values).
std::array<Variant, 8> PlotOptions(const Variant& options, int item);

// The smallest significant rank correlation of the run: its number of trials, the
// confidence chosen in its snapshot (90, 95 or 99 %), one or two tails. Empty when
// there is none (fewer than 20 trials).
Variant RunCriticalCorrelation(const RunState& run, bool twoTails);
// The confidence in percent for a confidence choice (item 38: 0, 1, 2).
double ConfidencePercent(const Variant& choice);
// Whether the live application data tests rank correlations with two tails (item 40);
// false while the data is not loaded.
bool LiveRhoTwoTails();

}  // namespace nuvir
