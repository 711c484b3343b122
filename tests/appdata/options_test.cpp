#include <gtest/gtest.h>

#include "appdata/options.h"
#include "appdata_fixture.h"

namespace nuvir {
namespace {

using test::Int16;
using test::ReadBytes;
using test::SameValue;
using test::WriteBytes;

class Options : public test::AppDataTest {
protected:
    void SetUp() override {
        AppDataTest::SetUp();
        SetMainWindowHost(&form);
    }
    Variant LoadWith(const std::string& text) {
        WriteBytes(OptionsIni(), text);
        return LoadAppOptions();
    }
    test::FakeMainForm form;
};

TEST_F(Options, WithoutAFileTheDefaultsAndAnUncheckedMenu) {
    form.hideCostsChecked = true;
    const Variant o = LoadAppOptions();
    EXPECT_EQ(GetOptionsIniFileName(), dir.str() + "/nuvirOptions.ini");
    ASSERT_EQ(o.dims(), 1);
    EXPECT_EQ(o.lbound(1), 0);
    ASSERT_EQ(o.ubound(1), 18);
    const std::int32_t colours[] = {0xFF00, 0xFFFF00, 0xFFFF, 0xC0C0C0, 0xFFFFFF, 0xFF, 0xC0C0C0};
    for (int i = 0; i < 7; ++i) EXPECT_TRUE(SameValue(o(i), Variant(colours[i]))) << i;
    EXPECT_TRUE(SameValue(o(7), Variant(false)));
    EXPECT_TRUE(SameValue(o(8), Variant(false)));
    EXPECT_TRUE(o(9).isEmpty());
    EXPECT_TRUE(o(10).isEmpty());
    EXPECT_TRUE(SameValue(o(11), Int16(2)));
    EXPECT_TRUE(SameValue(o(12), Variant::List({Variant(false), Variant(false), Variant(false)})));
    const Variant E;
    for (int i = 13; i <= 18; ++i) EXPECT_TRUE(SameValue(o(i), Variant::List({E, E, E, E, E, E, E, E}))) << i;
    EXPECT_EQ(form.checkCalls, 1);
    EXPECT_FALSE(form.hideCostsChecked);
    EXPECT_TRUE(SameValue(o, GetAppOptionsDefaults()));
}

TEST_F(Options, ColourKeys) {
    const Variant o = LoadWith("[App Colours]\r\npBox=Red\r\nIBox=&H00FF00\r\nOval=purple\r\nDiamond= gray \r\nError=\r\n");
    EXPECT_TRUE(SameValue(o(0), Variant(0xFF)));
    EXPECT_TRUE(SameValue(o(1), Variant(0xFF00)));
    EXPECT_TRUE(SameValue(o(2), Variant(0)));
    EXPECT_TRUE(SameValue(o(3), Variant(0xC0C0C0)));
    EXPECT_TRUE(SameValue(o(5), Variant(0xFF)));  // empty value: the default
    EXPECT_TRUE(SameValue(o(6), Variant(0xC0C0C0)));
}

TEST_F(Options, AColourOutOfRangeKeepsItsDefaultAndTheRestLoads) {
    const Variant o = LoadWith("[App Colours]\r\npBox=99999999999\r\n[Appearance]\r\nHide Management Options=True\r\n");
    EXPECT_TRUE(SameValue(o(0), Variant(0xFF00)));
    EXPECT_TRUE(SameValue(o(7), Variant(true)));
    EXPECT_TRUE(form.hideCostsChecked);
}

TEST_F(Options, DecimalPlacesAreKeptWithinOneToFour) {
    auto decimals = [&](const std::string& value) {
        return CLng(LoadWith("[Appearance]\r\nProbability Decimal Places=" + value + "\r\n")(11));
    };
    EXPECT_EQ(decimals("9"), 4);
    EXPECT_EQ(decimals("0"), 1);
    EXPECT_EQ(decimals("two"), 1);
    EXPECT_EQ(decimals("3"), 3);
}

TEST_F(Options, SwitchesAndAnUnreadableOne) {
    const Variant o = LoadWith("[Appearance]\r\nHide Management Options=perhaps\r\n[Reports]\r\nOpen After Generation=True\r\n");
    EXPECT_TRUE(SameValue(o(7), Variant(false)));
    EXPECT_TRUE(SameValue(o(8), Variant(true)));
    EXPECT_FALSE(form.hideCostsChecked);
}

TEST_F(Options, PlotOptionsAndFormats) {
    const Variant o = LoadWith(
        "[Plot Options]\r\nPandI Cumulative=Auto,Auto,Auto,,0,1,0.1,\r\nCosts Sensitivity=1,2\r\n"
        "[Export Options]\r\nFormats=True,False\r\n");
    const Variant E;
    EXPECT_TRUE(SameValue(o(15), Variant::List({E, E, E, E, Variant(0.0), Variant(1.0), Variant(0.1), E})));
    EXPECT_TRUE(SameValue(o(17), Variant::List({Variant(1.0), Variant(2.0), E, E, E, E, E, E})));
    EXPECT_TRUE(SameValue(o(13), Variant::List({E, E, E, E, E, E, E, E})));
    EXPECT_TRUE(SameValue(o(12), Variant::List({Variant(true), Variant(false), Variant(false)})));
}

TEST_F(Options, SavedOptionsHaveTheirLayoutAndReadBack) {
    Variant o = GetAppOptionsDefaults();
    o(3) = Variant(0xC0C0C0);
    o(4) = Variant(0x80FF80);
    o(7) = Variant(true);
    o(11) = Int16(3);
    o(12) = Variant::List({Variant(true), Variant(false), Variant(true)});
    o(9) = Variant("/usr/bin/viewer");
    SaveAppOptions(o);
    EXPECT_EQ(ReadBytes(OptionsIni()),
              "[App Colours]\r\npBox=Green\r\nIBox=Cyan\r\nOval=Yellow\r\nDiamond=Grey\r\nFixedCost=&H80FF80\r\n"
              "Error=Red\r\nPlot Background=Grey\r\n"
              "[Appearance]\r\nHide Management Options=True\r\nProbability Decimal Places=3\r\n"
              "[Reports]\r\nOpen After Generation=False\r\n"
              "[Export Options]\r\nFormats=True,False,True\r\n");
    const Variant back = LoadAppOptions();
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 12}) EXPECT_TRUE(SameValue(back(i), o(i))) << i;
    EXPECT_TRUE(SameValue(back(11), Variant(3)));  // read back as a 32-bit integer
    EXPECT_TRUE(back(9).isEmpty());  // the viewer is never stored
    EXPECT_TRUE(form.hideCostsChecked);
}

TEST_F(Options, SavingKeepsTheFoldersAndPlotOptionsOfTheFile) {
    WriteBytes(OptionsIni(),
               "[App Defaults]\r\nReport Path=/home/a/reports\r\nSave Path=/home/a\r\n"
               "[Plot Options]\r\nPandI Monte Carlo=Auto,Auto,Auto,,Auto,Auto,Auto,\r\n"
               "[Appearance]\r\nProbability Decimal Places=4\r\n");
    SaveAppOptions(GetAppOptionsDefaults());
    EXPECT_EQ(ReadBytes(OptionsIni()),
              "[App Defaults]\r\nReport Path=/home/a/reports\r\nSave Path=/home/a\r\n"
              "[Plot Options]\r\nPandI Monte Carlo=Auto,Auto,Auto,,Auto,Auto,Auto,\r\n"
              "[Appearance]\r\nProbability Decimal Places=2\r\nHide Management Options=False\r\n"
              "[App Colours]\r\npBox=Green\r\nIBox=Cyan\r\nOval=Yellow\r\nDiamond=Grey\r\nFixedCost=White\r\n"
              "Error=Red\r\nPlot Background=Grey\r\n"
              "[Reports]\r\nOpen After Generation=False\r\n"
              "[Export Options]\r\nFormats=False,False,False\r\n");
}

TEST_F(Options, SavingNeverRaises) {
    SaveAppOptions(Variant());  // nothing to write: every step is skipped
    SetAppPath(dir.file("missing"));
    EXPECT_NO_THROW(SaveAppOptions(GetAppOptionsDefaults()));
    EXPECT_TRUE(messages.calls.empty());
}

TEST_F(Options, WithoutAMainWindowLoadingStillWorks) {
    SetMainWindowHost(nullptr);
    const Variant o = LoadWith("[Appearance]\r\nHide Management Options=True\r\n");
    EXPECT_TRUE(SameValue(o(7), Variant(true)));
    EXPECT_EQ(form.checkCalls, 0);
}

}  // namespace
}  // namespace nuvir
