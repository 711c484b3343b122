#pragma once
// The rules of one quantity's uncertainty editor, without any control: the mean, the
// distribution, the standard deviation and how it is shown (absolute or as a
// percentage of the mean), the slider's mapping, the validation of typed texts, the
// key filter of the spread box, the summary text and the plot's fixed axes and curve.
//
// `CUncertaintyElement` (uncertaintyelement.h) is the view over one of these: its
// controls show what the model holds and its handlers call the model's steps. Tests
// drive the model directly.
//
// The standard deviation is always held absolute; percent mode only changes how the
// spread is written and read. Percentages are taken of the mean's magnitude, so a
// negative impact never gets a negative standard deviation.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "uncertainty/plotcurves.h"

namespace nuvir {

// The slider's ends: the spread runs from base / 1.5 to base x 1.5 across them.
constexpr int kSliderMin = -100;
constexpr int kSliderMax = 100;

class UncertaintyModel {
public:
    // Width of a text as the plot draws it; without one, texts compare by length.
    using TextMeasure = std::function<double(const std::string&)>;

    UncertaintyModel();

    // ---- identity ------------------------------------------------------------
    // 0..12 sets the quantity (name "p1".."F4" and its kind); anything else is ignored.
    void SetID(std::int32_t id);
    std::int32_t ID() const { return id_; }
    QuantityKind Kind() const { return kind_; }

    // ---- values --------------------------------------------------------------
    double Value() const { return value_; }
    // A new mean leaves percent mode and makes the axes stale; true when it changed.
    bool SetValue(double mean);
    double SD() const { return sd_; }
    // An absolute SD: leaves percent mode and becomes the slider's base.
    void SetSD(double sd);
    // The spread in percent mode, the SD otherwise.
    double Percent() const { return SDToPercent(sd_); }
    // A spread as a percentage of the mean: turns percent mode on. Ignored (false)
    // when the mean is 0.
    bool SetPercent(double percent);
    int Distribution() const { return distribution_; }
    // 0..3 is stored (true) and is valid; anything else is ignored.
    bool SetDistribution(int code);
    // The data hold a code that names no distribution (a hand-edited file): the editor
    // shows it as invalid, with the code, and draws no curve until a distribution is
    // chosen. The stored distribution stays as it was and is not written back.
    void SetInvalidDistribution(double code);
    bool DistributionValid() const { return !invalidCode_.has_value(); }
    // The code the data hold while it is invalid.
    std::optional<double> InvalidCode() const { return invalidCode_; }
    bool PercentMode() const { return percentMode_; }
    double BaseSD() const { return baseSD_; }

    // ---- conversions -----------------------------------------------------------
    // Outside percent mode both return their argument.
    double PercentToSD(double percent) const;
    double SDToPercent(double sd) const;
    // The spread at a slider position, rounded for display (4 significant figures);
    // as a percentage in percent mode when asDisplay.
    double SliderToSpread(double position, bool asDisplay) const;
    // x to n significant figures in plain or "0.00e-00" form, whichever is narrower.
    std::string FormatSpread(double x, int significantFigures) const;
    void SetTextMeasure(TextMeasure measure) { measure_ = std::move(measure); }
    // "p1: DT=U, SD=0.144", or "I1: (Categorical)"; an invalid code shows "DT=?".
    std::string SummaryText(bool categorical) const;
    // The caption of the spread box: "SD:", "CV:" or "Plus/Minus:".
    std::string SpreadCaption() const;

    // ---- typed texts -----------------------------------------------------------
    // A spread is a strict number >= 0; in percent mode one trailing "%" is dropped
    // first, and `text` is given the text without it.
    bool ValidateSpreadText(std::string& text) const;

    // What the spread box's text did to the model.
    struct SpreadResult {
        bool valid = false;
        bool resetSlider = false;  // the analyst typed it: the slider returns to 0
    };
    // The spread box's text, typed by the analyst (editing) or written by the editor.
    SpreadResult ApplySpreadText(const std::string& text, bool editing);
    // The key filter of the spread box while it is being edited: returns the key to
    // pass on, 0 to discard it.
    int FilterSpreadKey(int keyAscii, const std::string& spreadText) const;

    // ---- the plot --------------------------------------------------------------
    bool RangeStale() const { return rangeStale_; }
    void MarkRangeStale() { rangeStale_ = true; }
    // Recomputes the fixed axes when they are stale (not while categorical).
    void RefreshRange(bool categorical);
    const PlotRange& Range() const { return range_; }
    // The curve of the current settings over the axes, with its moments.
    CurveData BuildCurve() const;

private:
    std::int32_t id_;
    std::string name_ = "??";
    QuantityKind kind_ = QuantityKind::Probability;
    double value_ = 1.0;
    double sd_;
    double baseSD_;
    int distribution_ = distribution::Uniform;
    std::optional<double> invalidCode_;
    bool percentMode_ = false;
    bool rangeStale_ = true;
    PlotRange range_;
    TextMeasure measure_;
};

// The default spread: a uniform plus or minus 25 % of the default mean 1.
double DefaultSD();

}  // namespace nuvir
