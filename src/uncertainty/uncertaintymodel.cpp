#include "uncertainty/uncertaintymodel.h"

#include <cmath>

#include "appdata/appdata.h"
#include "appdata/codetables.h"
#include "numerics/numerics.h"
#include "runtime/convert.h"
#include "utilities/formatting.h"

namespace nuvir {

double DefaultSD() { return 1.0 / (2 * kSqr12); }

UncertaintyModel::UncertaintyModel() : id_(NumericLimits::UnsetLong), sd_(DefaultSD()), baseSD_(DefaultSD()) {}

void UncertaintyModel::SetID(std::int32_t id) {
    if (id < 0 || id > 12) return;
    id_ = id;
    if (id <= 3) {
        name_ = std::string{'p', static_cast<char>('1' + id)};
        kind_ = QuantityKind::Probability;
    } else if (id <= 8) {
        name_ = std::string{'I', static_cast<char>('0' + id - 3)};
        kind_ = QuantityKind::Impact;
    } else {
        name_ = std::string{'F', static_cast<char>('0' + id - 8)};
        kind_ = QuantityKind::Cost;
    }
}

bool UncertaintyModel::SetValue(double mean) {
    if (mean == value_) return false;
    value_ = mean;
    percentMode_ = false;
    rangeStale_ = true;
    return true;
}

void UncertaintyModel::SetSD(double sd) {
    percentMode_ = false;
    sd_ = sd;
    baseSD_ = sd_;
    rangeStale_ = true;
}

bool UncertaintyModel::SetPercent(double percent) {
    if (value_ == 0) return false;
    percentMode_ = true;
    sd_ = PercentToSD(percent);
    baseSD_ = sd_;
    rangeStale_ = true;
    return true;
}

bool UncertaintyModel::SetDistribution(int code) {
    if (code < distribution::Uniform || code > distribution::Beta) return false;
    distribution_ = code;
    if (invalidCode_) rangeStale_ = true;
    invalidCode_.reset();
    return true;
}

void UncertaintyModel::SetInvalidDistribution(double code) {
    invalidCode_ = code;
    rangeStale_ = true;
}

double UncertaintyModel::PercentToSD(double percent) const {
    if (!percentMode_) return percent;
    if (distribution_ == distribution::Uniform) return UniformSpreadSD(value_, percent);
    return std::fabs(value_) * percent / 100;
}

double UncertaintyModel::SDToPercent(double sd) const {
    if (!percentMode_) return sd;
    const double m = std::fabs(value_);
    if (m == 0) return 0;
    if (distribution_ == distribution::Uniform) return sd * 50 / (m / kSqr12);
    return sd * 100 / m;
}

double UncertaintyModel::SliderToSpread(double position, bool asDisplay) const {
    const double s = std::pow(1.5, position / 100) * baseSD_;
    const double shown = asDisplay && percentMode_ ? SDToPercent(s) : s;
    return ReadStrictNumber(FormatSpread(shown, 4)).value_or(shown);
}

std::string UncertaintyModel::FormatSpread(double x, int significantFigures) const {
    return MKelvaro::FormatSigFigs(measure_, x, significantFigures, 2);
}

std::string UncertaintyModel::SummaryText(bool categorical) const {
    if (categorical) return name_ + ": (Categorical)";
    const std::string letter = invalidCode_ ? MKelvaro::DistributionCode(-1)
                                            : MKelvaro::DistributionCode(distribution_);
    return name_ + ": DT=" + letter + ", SD=" + FormatSpread(sd_, 3);
}

std::string UncertaintyModel::SpreadCaption() const {
    if (!percentMode_) return "SD:";
    return distribution_ == distribution::Uniform ? "Plus/Minus:" : "CV:";
}

bool UncertaintyModel::ValidateSpreadText(std::string& text) const {
    if (percentMode_) {
        text = Trim(text);
        if (!text.empty() && text.back() == '%') text.pop_back();
    }
    const auto x = ReadStrictNumber(text);
    return x && *x >= 0;
}

UncertaintyModel::SpreadResult UncertaintyModel::ApplySpreadText(const std::string& text, bool editing) {
    std::string s = Trim(text);
    if (editing) {
        if (!s.empty() && s.back() == '%') {
            s.pop_back();
            if (value_ != 0) percentMode_ = true;
        } else {
            percentMode_ = false;
        }
    }
    SpreadResult result;
    result.valid = ValidateSpreadText(s);
    if (!result.valid) return result;
    const double x = *ReadStrictNumber(s);
    if (editing) {
        baseSD_ = PercentToSD(x);
        result.resetSlider = true;
        rangeStale_ = true;
    }
    sd_ = PercentToSD(x);
    return result;
}

int UncertaintyModel::FilterSpreadKey(int keyAscii, const std::string& spreadText) const {
    if (keyAscii == ' ') return 0;
    if (keyAscii == '%') {
        const std::string t = Trim(spreadText);
        if (value_ == 0 || (!t.empty() && t.back() == '%')) return 0;
    }
    return keyAscii;
}

void UncertaintyModel::RefreshRange(bool categorical) {
    if (!rangeStale_) return;
    rangeStale_ = false;
    if (categorical) return;
    range_ = ComputePlotRange(kind_, distribution_, value_, SliderToSpread(kSliderMin, false),
                              SliderToSpread(kSliderMax, false), sd_, range_.yMax);
}

CurveData UncertaintyModel::BuildCurve() const {
    // No curve stands for a code that names no distribution.
    if (invalidCode_) return {};
    return BuildCurveData(kind_, distribution_, value_, sd_, range_);
}

}  // namespace nuvir
