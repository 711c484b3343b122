#include <cmath>
#include <gtest/gtest.h>

#include "appdata_fixture.h"

namespace nuvir {
namespace {

using test::Int16;
using test::SameValue;

const double kSd = 1.0 / std::sqrt(48.0);

class AppDataDefaults : public test::AppDataTest {};

TEST_F(AppDataDefaults, EveryItemHasItsDefaultValueAndKind) {
    const Variant d = GetAppDataDefaults(true, Variant());
    ASSERT_EQ(d.dims(), 1);
    EXPECT_EQ(d.lbound(1), 0);
    EXPECT_EQ(d.ubound(1), 79);
    EXPECT_EQ(d.elemKind(), VarType::Generic);

    EXPECT_TRUE(SameValue(d(0), Variant("New Species")));
    EXPECT_TRUE(SameValue(d(1), Variant("New Location")));
    EXPECT_TRUE(SameValue(d(2), Int16(1000)));
    EXPECT_TRUE(SameValue(d(3), Int16(4)));
    EXPECT_TRUE(SameValue(d(4), Int16(10)));
    EXPECT_TRUE(SameValue(d(5), Int16(30)));
    EXPECT_TRUE(SameValue(d(6), Int16(50)));
    EXPECT_TRUE(SameValue(d(7), Int16(70)));
    EXPECT_TRUE(SameValue(d(8), Int16(70)));
    for (int i = 9; i <= 12; ++i) EXPECT_TRUE(SameValue(d(i), Variant::Doubles({0.5, 0, 2}))) << i;
    for (int i = 13; i <= 17; ++i) EXPECT_TRUE(SameValue(d(i), Variant::Doubles({1, 0, 2}))) << i;
    for (int i = 18; i <= 21; ++i) EXPECT_TRUE(SameValue(d(i), Variant::Doubles({0, 0, 2}))) << i;
    for (int i = 22; i <= 25; ++i) EXPECT_TRUE(SameValue(d(i), Variant::Doubles({0.5, 0, kSd}))) << i;
    for (int i = 26; i <= 30; ++i) EXPECT_TRUE(SameValue(d(i), Variant::Doubles({1, 0, kSd}))) << i;
    for (int i = 31; i <= 34; ++i) EXPECT_TRUE(SameValue(d(i), Variant::Doubles({0, 0, kSd}))) << i;
    EXPECT_TRUE(SameValue(d(35), Variant(0)));
    EXPECT_TRUE(SameValue(d(36), Variant(0)));
    EXPECT_TRUE(SameValue(d(37), Int16(0)));
    EXPECT_TRUE(SameValue(d(38), Int16(1)));
    EXPECT_TRUE(SameValue(d(41), Variant(true)));
    EXPECT_TRUE(SameValue(d(42), Variant(false)));
    EXPECT_TRUE(SameValue(d(43), Variant(false)));
    EXPECT_TRUE(SameValue(d(44), Int16(5)));
    EXPECT_TRUE(SameValue(d(45), Int16(5)));
    EXPECT_TRUE(SameValue(d(46), Variant(2.5)));
    for (int i = 47; i <= 50; ++i) EXPECT_TRUE(SameValue(d(i), Variant(0.5))) << i;
    for (int i = 51; i <= 55; ++i) EXPECT_TRUE(SameValue(d(i), Int16(1))) << i;
    for (int i = 56; i <= 59; ++i) EXPECT_TRUE(SameValue(d(i), Int16(0))) << i;
    for (int i = 60; i <= 79; ++i) EXPECT_TRUE(d(i).isEmpty()) << i;
}

TEST_F(AppDataDefaults, PointValuesAreElementZeroOfBothRecords) {
    const Variant d = GetAppDataDefaults(true, Variant());
    for (int id = 0; id < 13; ++id) {
        EXPECT_EQ(CDbl(d(9 + id)(0)), CDbl(d(47 + id))) << id;
        EXPECT_EQ(CDbl(d(22 + id)(0)), CDbl(d(47 + id))) << id;
    }
}

TEST_F(AppDataDefaults, RegressionOptionsAreFixedDuringStartUpAndCarriedOverAfterIt) {
    const Variant during = GetAppDataDefaults(true, Variant());
    EXPECT_TRUE(SameValue(during(39), Variant(false)));
    EXPECT_TRUE(SameValue(during(40), Variant(true)));

    Variant current = GetAppDataDefaults(true, Variant());
    current(39) = Variant(true);
    current(40) = Variant(false);
    const Variant after = GetAppDataDefaults(false, current);
    EXPECT_TRUE(SameValue(after(39), Variant(true)));
    EXPECT_TRUE(SameValue(after(40), Variant(false)));

    // The named operation reads the start-up state and the program-wide array.
    AppData = current;
    EXPECT_TRUE(SameValue(GetAppDataDefaults()(39), Variant(false)));
    SetFirstActivation(false);
    EXPECT_TRUE(SameValue(GetAppDataDefaults()(39), Variant(true)));
    EXPECT_TRUE(SameValue(GetAppDataDefaults()(40), Variant(false)));
}

TEST_F(AppDataDefaults, FillNewStateDataSetsOnlyTheItemsOfANewAssessment) {
    Variant data = Variant::MakeArray(VarType::Generic, {Bounds{0, 79}});
    for (int i = 0; i < 80; ++i) data(i) = Variant(1000 + i);
    FillNewStateData(data);
    const int untouched[] = {2, 3, 4, 5, 6, 7, 8, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46,
                             60, 61, 62, 63, 64, 65, 66, 67, 68, 78, 79};
    for (int i : untouched) EXPECT_TRUE(SameValue(data(i), Variant(1000 + i))) << i;
    EXPECT_TRUE(SameValue(data(0), Variant("New Species")));
    EXPECT_TRUE(SameValue(data(35), Variant(0)));
    EXPECT_TRUE(SameValue(data(20), Variant::Doubles({0, 0, 2})));
    EXPECT_TRUE(SameValue(data(27), Variant::Doubles({1, 0, kSd})));
    EXPECT_TRUE(SameValue(data(50), Variant(0.5)));
    EXPECT_TRUE(SameValue(data(55), Int16(1)));
    EXPECT_TRUE(SameValue(data(56), Int16(0)));
    for (int i = 69; i <= 77; ++i) EXPECT_TRUE(data(i).get().isEmpty()) << i;
}

TEST_F(AppDataDefaults, FillNewStateDataGrowsAShortArrayInsteadOfFailing) {
    Variant data = Variant::List({Variant("a"), Variant("b"), Variant(7)});
    FillNewStateData(data);
    ASSERT_EQ(data.ubound(1), 79);
    EXPECT_TRUE(SameValue(data(2), Variant(7)));
    EXPECT_TRUE(SameValue(data(0), Variant("New Species")));
}

TEST_F(AppDataDefaults, NumberOfCertaintyLevelsComesFromItemThree) {
    EXPECT_EQ(GetNumRelUncLevels(), 4);  // no array yet
    AppData = GetAppDataDefaults(true, Variant());
    AppData(3) = Variant("5");
    EXPECT_EQ(GetNumRelUncLevels(), 5);
    AppData(3) = Variant(4.5);  // halves go to the even neighbour
    EXPECT_EQ(GetNumRelUncLevels(), 4);
    AppData(3) = Variant("many");
    try {
        GetNumRelUncLevels();
        FAIL() << "a text that is no number must raise";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), err::TypeMismatch);
    }
}

TEST_F(AppDataDefaults, OutcomeRisksAndStageCostsFollowFromThePointValues) {
    Variant data = GetAppDataDefaults(true, Variant());
    for (int i = 56; i <= 59; ++i) data(i) = Variant(i - 55);  // F1..F4 = 1..4
    MKelvaro::StoreOutcomeRisks(data);
    const double expected[] = {0.5, 0.25, 0.125, 0.0625, 0.0625, 1, 1, 0.75, 0.5};
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(SameValue(data(60 + i), Variant(expected[i]))) << 60 + i;

    data(47) = Variant(0.2);
    data(48) = Variant(0.4);
    data(52) = Variant(10);
    MKelvaro::StoreOutcomeRisks(data);
    EXPECT_DOUBLE_EQ(CDbl(data(60)), 0.8);
    EXPECT_DOUBLE_EQ(CDbl(data(61)), 10 * 0.2 * 0.6);
    EXPECT_DOUBLE_EQ(CDbl(data(64)), 0.2 * 0.4 * 0.5 * 0.5);
    EXPECT_DOUBLE_EQ(CDbl(data(68)), 4 * 0.2 * 0.4 * 0.5);
}

}  // namespace
}  // namespace nuvir
