// The editor's rules without controls: spread conversions, the slider, typed texts,
// the key filter and the summary.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "uncertainty/uncertaintymodel.h"

namespace nuvir {
namespace {

const double kSqr12 = std::sqrt(12.0);

UncertaintyModel Model(int id, double mean, int distribution) {
    UncertaintyModel m;
    m.SetID(id);
    m.SetValue(mean);
    m.SetDistribution(distribution);
    return m;
}

TEST(UncertaintyModel, ANewEditorAndItsIdentity) {
    UncertaintyModel m;
    EXPECT_EQ(m.Value(), 1.0);
    EXPECT_DOUBLE_EQ(m.SD(), 1 / std::sqrt(48.0));  // uniform +/- 25 % of 1
    EXPECT_EQ(m.Distribution(), distribution::Uniform);
    EXPECT_FALSE(m.PercentMode());
    EXPECT_EQ(m.Percent(), m.SD());
    m.SetID(13);
    EXPECT_EQ(m.Name(), "??");
    const char* names[] = {"p1", "p4", "I1", "I5", "F1", "F4"};
    const int ids[] = {0, 3, 4, 8, 9, 12};
    for (int i = 0; i < 6; ++i) {
        m.SetID(ids[i]);
        m.SetID(-1);
        EXPECT_EQ(m.Name(), names[i]);
        EXPECT_EQ(static_cast<int>(m.Kind()), i / 2);
    }
}

TEST(UncertaintyModel, PercentOfTheMeansMagnitudeGivesTheSD) {
    struct Case { const char* name; double mean; int dist; double percent; double sd; };
    const Case cases[] = {
        {"uniform, mean 1", 1, distribution::Uniform, 25, 1 / (2 * kSqr12)},
        {"normal, mean 1", 1, distribution::Normal, 25, 0.25},
        {"lognormal, mean 4", 4, distribution::LogNormal, 10, 0.4},
        {"beta, mean 0.5", 0.5, distribution::Beta, 20, 0.1},
        {"normal, negative mean", -2, distribution::Normal, 25, 0.5},
        {"uniform, negative mean", -2, distribution::Uniform, 10, 0.4 / kSqr12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UncertaintyModel m = Model(4, c.mean, c.dist);
        ASSERT_TRUE(m.SetPercent(c.percent));
        EXPECT_TRUE(m.PercentMode());
        EXPECT_NEAR(m.SD(), c.sd, 1e-15);
        EXPECT_NEAR(m.Percent(), c.percent, 1e-12);
        EXPECT_EQ(m.BaseSD(), m.SD());
    }
}

TEST(UncertaintyModel, PercentModeComesAndGoes) {
    UncertaintyModel m = Model(4, 2, distribution::Normal);
    m.SetPercent(25);
    EXPECT_FALSE(m.SetValue(2));  // the same mean changes nothing
    EXPECT_TRUE(m.PercentMode());
    EXPECT_TRUE(m.SetValue(3));
    EXPECT_FALSE(m.PercentMode());
    m.SetPercent(25);
    m.SetSD(0.3);
    EXPECT_FALSE(m.PercentMode());
    EXPECT_EQ(m.BaseSD(), 0.3);
    // Unavailable at mean 0, also through a typed "%".
    m.SetValue(0);
    EXPECT_FALSE(m.SetPercent(25));
    EXPECT_EQ(m.SD(), 0.3);
    EXPECT_TRUE(m.ApplySpreadText("5%", true).valid);
    EXPECT_FALSE(m.PercentMode());
    EXPECT_EQ(m.SD(), 5);
}

TEST(UncertaintyModel, SliderSpansTheBaseOverOneAndAHalf) {
    UncertaintyModel m = Model(4, 2, distribution::Normal);
    m.SetSD(0.2);
    EXPECT_DOUBLE_EQ(m.SliderToSpread(100, true), 0.3);
    EXPECT_DOUBLE_EQ(m.SliderToSpread(-100, true), 0.1333);  // 0.2 / 1.5 to 4 figures
    EXPECT_DOUBLE_EQ(m.SliderToSpread(0, true), 0.2);
    EXPECT_DOUBLE_EQ(m.SliderToSpread(50, false), 0.2449);  // 0.2 x Sqr(1.5) = 0.244949
    // In percent mode the display is a percentage, the SD stays absolute.
    m.SetPercent(25);
    EXPECT_DOUBLE_EQ(m.SliderToSpread(100, true), 37.5);
    EXPECT_DOUBLE_EQ(m.SliderToSpread(100, false), 0.75);
}

TEST(UncertaintyModel, TextsOfTheSpread) {
    UncertaintyModel m = Model(0, 1, distribution::Uniform);
    EXPECT_EQ(m.FormatSpread(123456, 4), "123500");
    EXPECT_EQ(m.FormatSpread(12345678, 4), "1.24e07");
    EXPECT_EQ(m.FormatSpread(-0.00001234, 4), "-1.23e-05");
    EXPECT_EQ(m.SummaryText(false), "p1: DT=U, SD=0.144");
    EXPECT_EQ(m.SummaryText(true), "p1: (Categorical)");
    EXPECT_EQ(m.SpreadCaption(), "SD:");
    m.SetPercent(10);
    EXPECT_EQ(m.SpreadCaption(), "Plus/Minus:");
    m.SetDistribution(distribution::LogNormal);
    EXPECT_EQ(m.SpreadCaption(), "CV:");
    // Drawn widths decide when a measure is given.
    m.SetTextMeasure([](const std::string& s) { return s.find('e') == std::string::npos ? 1.0 : 2.0; });
    EXPECT_EQ(m.FormatSpread(12345678, 4), "12350000");
}

TEST(UncertaintyModel, TypingASpreadWithAPercentSign) {
    UncertaintyModel m = Model(4, 2, distribution::Normal);
    struct Step { const char* text; bool valid; bool percent; double sd; };
    const Step steps[] = {
        {"2", true, false, 2}, {"25", true, false, 25}, {"25%", true, true, 0.5},
        {"-1", false, false, 0.5}, {"abc", false, false, 0.5}, {"1e999", false, false, 0.5},
        {" 10 % ", true, true, 0.2},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.text);
        const auto r = m.ApplySpreadText(s.text, true);
        EXPECT_EQ(r.valid, s.valid);
        EXPECT_EQ(r.resetSlider, s.valid);
        EXPECT_EQ(m.PercentMode(), s.percent);
        EXPECT_DOUBLE_EQ(m.SD(), s.sd);
        if (s.valid) {
            EXPECT_DOUBLE_EQ(m.BaseSD(), s.sd);
        }
    }
    // Written by the editor (not typed), the text neither moves the base nor the slider.
    const auto r = m.ApplySpreadText("15%", false);
    EXPECT_TRUE(r.valid);
    EXPECT_FALSE(r.resetSlider);
    EXPECT_DOUBLE_EQ(m.SD(), 0.3);
    EXPECT_DOUBLE_EQ(m.BaseSD(), 0.2);
}

TEST(UncertaintyModel, KeyFilterOfTheSpreadBox) {
    UncertaintyModel m = Model(4, 2, distribution::Normal);
    EXPECT_EQ(m.FilterSpreadKey(' ', "2"), 0);
    EXPECT_EQ(m.FilterSpreadKey('%', "25"), '%');
    EXPECT_EQ(m.FilterSpreadKey('%', "25% "), 0);
    EXPECT_EQ(m.FilterSpreadKey('5', "2"), '5');
    m.SetValue(0);
    EXPECT_EQ(m.FilterSpreadKey('%', "25"), 0);
}

TEST(UncertaintyModel, MeanTexts) {
    struct Case { const char* text; bool probability; bool impact; };
    const Case cases[] = {{"1.5", false, true}, {"0", true, true},      {"1", true, true},
                          {"-0.1", false, true}, {"nan", false, false}, {"1,5", false, false},
                          {"&H10", false, false}, {"1e999", false, false}};
    const UncertaintyModel p = Model(0, 0.5, 0);
    const UncertaintyModel i = Model(4, 1, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(p.ValidateMeanText(c.text), c.probability);
        EXPECT_EQ(i.ValidateMeanText(c.text), c.impact);
    }
}

TEST(UncertaintyModel, SliderLeavesTheAxesWhereTheyAre) {
    UncertaintyModel m = Model(4, 10, distribution::Normal);
    m.SetSD(2);
    EXPECT_TRUE(m.RangeStale());
    m.RefreshRange(false);
    EXPECT_FALSE(m.RangeStale());
    // The axes are those of the slider's ends: 3 x (2 x 1.5) either side.
    EXPECT_DOUBLE_EQ(m.Range().xMin, 1);
    EXPECT_DOUBLE_EQ(m.Range().xMax, 19);
    m.ApplySpreadText("2.4", false);  // what a slider move writes
    EXPECT_FALSE(m.RangeStale());
    m.ApplySpreadText("3", true);  // typed
    EXPECT_TRUE(m.RangeStale());
}

}  // namespace
}  // namespace nuvir
