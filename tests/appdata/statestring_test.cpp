// The state string: its three written forms and the tolerant reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "appdata/appdata.h"
#include "appdata/statestring.h"
#include "runtime/convert.h"
#include "runtime/error.h"

namespace nuvir {
namespace {

constexpr double kRunning = 3.2;

const char* const kDefaultState =
    "SPECIES=NEW SPECIES;LOCATION=NEW LOCATION;N=1000;NUMR=4;L0=10;L1=30;L2=50;L3=70;L4=70;"
    "UM=0;PRNG=0;CI=1;CATI=FALSE;CATC=FALSE;NUMI=5;NUMC=5;VN=2.5;"
    "P1=0.5,U,L2;P2=0.5,U,L2;P3=0.5,U,L2;P4=0.5,U,L2;"
    "I1=1,U,L2;I2=1,U,L2;I3=1,U,L2;I4=1,U,L2;I5=1,U,L2;"
    "F1=0,U,L2;F2=0,U,L2;F3=0,U,L2;F4=0,U,L2";

const char* const kDefaultHeader =
    "SPECIES,LOCATION,N,NUMR,L0,L1,L2,L3,L4,UM,PRNG,CI,CATI,CATC,NUMI,NUMC,VN,"
    "P1,P1D,P1V,P2,P2D,P2V,P3,P3D,P3V,P4,P4D,P4V,"
    "I1,I1D,I1V,I2,I2D,I2V,I3,I3D,I3V,I4,I4D,I4V,I5,I5D,I5V,"
    "F1,F1D,F1V,F2,F2D,F2V,F3,F3D,F3V,F4,F4D,F4V,"
    "ICAT1,ICAT2,ICAT3,ICAT4,ICAT5,FCAT1,FCAT2,FCAT3,FCAT4";

const char* const kDefaultValues =
    "New Species,New Location,1000,4,10,30,50,70,70,0,0,1,False,False,5,5,2.5,"
    "0.5,U,L2,0.5,U,L2,0.5,U,L2,0.5,U,L2,"
    "1,U,L2,1,U,L2,1,U,L2,1,U,L2,1,U,L2,"
    "0,U,L2,0,U,L2,0,U,L2,0,U,L2,"
    ",,,,,,,,";

bool StartsWith(const std::string& s, const std::string& head) { return s.compare(0, head.size(), head) == 0; }
bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

Variant Defaults() { return GetAppDataDefaults(true, Variant()); }

const Variant& Item(const Variant& data, int i) { return data(i); }

// The same kind and value, arrays element by element with their bounds.
bool SameValue(const Variant& a, const Variant& b) {
    if (a.type() != b.type()) return false;
    if (!a.isArray()) return a.isNull() || VarEquals(a, b);
    if (a.dims() != b.dims() || a.elemKind() != b.elemKind()) return false;
    for (int d = 1; d <= a.dims(); ++d) {
        if (a.lbound(d) != b.lbound(d) || a.ubound(d) != b.ubound(d)) return false;
    }
    for (std::size_t k = 0; k < a.elementCount(); ++k) {
        if (!SameValue(a.elements()[k], b.elements()[k])) return false;
    }
    return true;
}

// Indices of the items that differ between two arrays of the same size.
std::vector<int> Differences(const Variant& a, const Variant& b) {
    std::vector<int> out;
    for (int i = 0; i < item::kCount; ++i) {
        if (!SameValue(a(i), b(i))) out.push_back(i);
    }
    return out;
}

void ExpectRecord(const Variant& data, int index, double v0, double v1, double v2) {
    const Variant& r = data(index);
    ASSERT_EQ(r.dims(), 1) << "item " << index;
    EXPECT_EQ(r.elemKind(), VarType::Double);
    EXPECT_DOUBLE_EQ(CDbl(r(0)), v0) << "item " << index;
    EXPECT_DOUBLE_EQ(CDbl(r(1)), v1) << "item " << index;
    EXPECT_DOUBLE_EQ(CDbl(r(2)), v2) << "item " << index;
}

Variant Table(const std::vector<double>& values, const std::vector<double>& probabilities) {
    const auto n = static_cast<std::int32_t>(values.size());
    Variant t = Variant::MakeArray(VarType::Double, {Bounds{0, 1}, Bounds{0, n - 1}});
    for (std::int32_t c = 0; c < n; ++c) {
        t(0, c) = Variant(values[static_cast<std::size_t>(c)]);
        t(1, c) = Variant(probabilities[static_cast<std::size_t>(c)]);
    }
    return t;
}

Variant Read(const std::string& spec, Variant data = Defaults()) {
    DeserialiseState(data, spec, kRunning);
    return data;
}

// ---- writing ----------------------------------------------------------------------------

TEST(SerialiseState, DefaultsInEachForm) {
    const Variant d = Defaults();
    EXPECT_EQ(SerialiseState(d, stateform::kStateString), kDefaultState);
    EXPECT_EQ(SerialiseState(d, stateform::kHeader), kDefaultHeader);
    EXPECT_EQ(SerialiseState(d, stateform::kValues), kDefaultValues);
    EXPECT_EQ(Split(kDefaultHeader, ",").size(), Split(kDefaultValues, ",").size());
}

TEST(SerialiseState, ProgramWideAppData) {
    const Variant saved = AppData;
    AppData = Defaults();
    EXPECT_EQ(SerialiseState(0), kDefaultState);
    DeserialiseState("N=2500;SPECIES=Carp");
    EXPECT_EQ(CLng(Item(AppData, item::kTrials)), 2500);
    EXPECT_EQ(CStr(Item(AppData, item::kSpecies)), "CARP");
    AppData = saved;
}

TEST(SerialiseState, LevelIndexIsLimitedByTheNumberOfLevels) {
    Variant d = Defaults();
    d(item::Relative(0)) = Variant::Doubles({0.5, 1, 4});
    d(item::Relative(1)) = Variant::Doubles({0.5, 3, -1});
    d(item::Relative(2)) = Variant::Doubles({0.5, 2, 2.5});  // halves to even: 2
    const std::string four = SerialiseState(d, 0);
    EXPECT_NE(four.find(";P1=0.5,N,L3;P2=0.5,B,??;P3=0.5,LN,L2;"), std::string::npos) << four;
    d(item::kNumRelUncLevels) = Variant(5);
    const std::string five = SerialiseState(d, 0);
    EXPECT_NE(five.find(";NUMR=5;"), std::string::npos);
    EXPECT_NE(five.find(";P1=0.5,N,L4;"), std::string::npos) << five;
}

TEST(SerialiseState, AbsoluteModeWritesTheStandardDeviation) {
    Variant d = Defaults();
    d(item::kUncertaintyMode) = Variant(1);
    d(item::PointValue(1)) = Variant(0.3);
    d(item::Absolute(1)) = Variant::Doubles({0.3, 1, 0.1});
    d(item::Absolute(5)) = Variant::Doubles({2, 2, 1e-5});
    const std::string s = SerialiseState(d, 0);
    EXPECT_NE(s.find(";UM=1;"), std::string::npos);
    EXPECT_NE(s.find(";P1=0.5,U,0.144337567297406;P2=0.3,N,0.1;"), std::string::npos) << s;
    // Point value 1 from item 52, the record's own first element is never written.
    EXPECT_NE(s.find(";I2=1,LN,1E-05;"), std::string::npos) << s;
}

TEST(SerialiseState, OtherModeWritesThePointValueAlone) {
    Variant d = Defaults();
    d(item::kUncertaintyMode) = Variant(2);
    EXPECT_NE(SerialiseState(d, 0).find(";VN=2.5;P1=0.5;P2=0.5;"), std::string::npos);
    const std::string header = SerialiseState(d, 2);
    EXPECT_NE(header.find(",VN,P1,P2,P3,P4,I1,"), std::string::npos) << header;
}

TEST(SerialiseState, CategoryTablesOnlyWhenSwitchedOn) {
    Variant d = Defaults();
    d(item::CategoryTable(4)) = Table({1, 2, 3}, {0.2, 0.3, 0.5});
    d(item::CategoryTable(9)) = Table({10, 20}, {0.25, 0.75});
    // Switches off: no table fields in form 0.
    EXPECT_EQ(SerialiseState(d, 0), kDefaultState);

    d(item::kCategoricalImpacts) = Variant(true);
    const std::string s = SerialiseState(d, 0);
    EXPECT_NE(s.find(";CATI=TRUE;CATC=FALSE;"), std::string::npos);
    EXPECT_TRUE(EndsWith(s, ";F4=0,U,L2;ICAT1=1|2|3|0.2|0.3|0.5")) << s;

    d(item::kCategoricalCosts) = Variant(true);
    const std::string both = SerialiseState(d, 0);
    EXPECT_TRUE(EndsWith(both, ";F4=0,U,L2;ICAT1=1|2|3|0.2|0.3|0.5;FCAT1=10|20|0.25|0.75")) << both;

    const std::string values = SerialiseState(d, 1);
    EXPECT_TRUE(EndsWith(values, ",0,U,L2,1|2|3|0.2|0.3|0.5,,,,,10|20|0.25|0.75,,,")) << values;
    EXPECT_EQ(SerialiseState(d, 2), kDefaultHeader);
}

TEST(SerialiseState, NamesKeepTheirCaseInTheCommaForms) {
    Variant d = Defaults();
    d(item::kSpecies) = Variant("Rattus rattus, black rat");
    const std::string header = SerialiseState(d, 2);
    EXPECT_TRUE(StartsWith(header, "SPECIES,SPECIESD,SPECIESV,LOCATION,N,NUMR,")) << header;
    const std::string values = SerialiseState(d, 1);
    EXPECT_TRUE(StartsWith(values, "Rattus rattus, black rat,New Location,1000,")) << values;
    EXPECT_NE(SerialiseState(d, 0).find("SPECIES=RATTUS RATTUS, BLACK RAT;"), std::string::npos);
}

TEST(SerialiseState, NonAsciiNamesAreUpperCasedWhole) {
    Variant d = Defaults();
    d(item::kSpecies) = Variant("\xC3\xA6sculus \xC3\xA9l\xC3\xA9gant");        // æsculus élégant
    d(item::kLocation) = Variant("M\xC3\xBC" "nchen");                            // München
    const std::string s = SerialiseState(d, 0);
    EXPECT_TRUE(StartsWith(s, "SPECIES=\xC3\x86SCULUS \xC3\x89L\xC3\x89GANT;LOCATION=M\xC3\x9C" "NCHEN;N=1000;")) << s;
}

TEST(SerialiseState, SeparatorsInNamesBecomeBlanksInTheStateString) {
    Variant d = Defaults();
    d(item::kSpecies) = Variant("A;N=5000");
    d(item::kLocation) = Variant("North\r\nShore");
    const std::string s = SerialiseState(d, 0);
    EXPECT_TRUE(StartsWith(s, "SPECIES=A N 5000;LOCATION=NORTH  SHORE;N=1000;NUMR=4;")) << s;
    EXPECT_EQ(s.find('\r'), std::string::npos);
    EXPECT_EQ(s.find('\n'), std::string::npos);

    // Read back, the name cannot set the number of trials.
    const Variant back = Read(s);
    EXPECT_EQ(CLng(Item(back, item::kTrials)), 1000);
    EXPECT_EQ(CStr(Item(back, item::kSpecies)), "A N 5000");
    EXPECT_EQ(CStr(Item(back, item::kLocation)), "NORTH  SHORE");

    // The comma forms carry the names as they are.
    EXPECT_TRUE(StartsWith(SerialiseState(d, 1), "A;N=5000,North\r\nShore,1000,"));
}

TEST(SerialiseState, ConversionErrorsReachTheCaller) {
    Variant d = Defaults();
    d(item::Relative(3)) = Variant::List({Variant(0.5), Variant("x"), Variant(2)});
    EXPECT_THROW(SerialiseState(d, 0), AppError);
    Variant e = Defaults();
    e(item::Relative(0)) = Variant("not a record");
    EXPECT_THROW(SerialiseState(e, 1), AppError);
    EXPECT_THROW(SerialiseState(Variant(), 0), AppError);
}

// ---- reading ----------------------------------------------------------------------------

TEST(DeserialiseState, NothingToReadChangesNothing) {
    const Variant d = Defaults();
    EXPECT_TRUE(Differences(Read(""), d).empty());
    EXPECT_TRUE(Differences(Read(";;;"), d).empty());
    EXPECT_TRUE(Differences(Read(" ; =5 ; ;\r\n"), d).empty());
    EXPECT_TRUE(Differences(Read("P12=0.3;X1=5;Q=7;L5=3;ICAT6=1|2;FCAT5=1|2;FOO"), d).empty());
}

TEST(DeserialiseState, ScalarsAreHeldWithinTheirRanges) {
    EXPECT_EQ(CLng(Item(Read("n=50"), item::kTrials)), 1000);
    EXPECT_EQ(CLng(Item(Read("N=1E6"), item::kTrials)), 100000);
    EXPECT_EQ(CLng(Item(Read("N=2500.5"), item::kTrials)), 2500);
    EXPECT_EQ(CLng(Item(Read("N=2501.5"), item::kTrials)), 2502);
    EXPECT_EQ(CLng(Item(Read("N=&H1000"), item::kTrials)), 4096);
    EXPECT_EQ(CLng(Item(Read("ci=7"), item::kConfidenceChoice)), 2);
    EXPECT_EQ(CLng(Item(Read("CI=-1"), item::kConfidenceChoice)), 0);
    EXPECT_EQ(CLng(Item(Read("PRNG=1"), item::kPrng)), 1);
    EXPECT_EQ(CLng(Item(Read("NUMR=3"), item::kNumRelUncLevels)), 4);
    EXPECT_EQ(CLng(Item(Read("NUMR=9"), item::kNumRelUncLevels)), 5);
    EXPECT_EQ(CLng(Item(Read("NUMI=0"), item::kNumImpactCategories)), 1);
    EXPECT_EQ(CLng(Item(Read("NUMC=3"), item::kNumCostCategories)), 3);
    EXPECT_DOUBLE_EQ(CDbl(Item(Read("VN=1"), item::kSoftwareVersion)), 2.5);
    EXPECT_DOUBLE_EQ(CDbl(Item(Read("VN=9.1"), item::kSoftwareVersion)), kRunning);
    EXPECT_DOUBLE_EQ(CDbl(Item(Read("VN=2.75"), item::kSoftwareVersion)), 2.75);
    EXPECT_DOUBLE_EQ(CDbl(Item(Read("VN=abc"), item::kSoftwareVersion)), 2.5);
    EXPECT_DOUBLE_EQ(CDbl(Item(Read("L2=150"), item::kLevel0 + 2)), 100.0);
    EXPECT_DOUBLE_EQ(CDbl(Item(Read("L0=-5"), item::kLevel0)), 0.0);
    EXPECT_DOUBLE_EQ(CDbl(Item(Read("L1=12.5"), item::kLevel0 + 1)), 12.5);
    EXPECT_DOUBLE_EQ(CDbl(Item(Read(" n = 2 000 "), item::kTrials)), 2000);
}

TEST(DeserialiseState, KindsStored) {
    const Variant d = Read("N=2000;UM=1;PRNG=1;CI=2;NUMI=3;NUMC=4;NUMR=5;L3=40;VN=3");
    for (int i : {item::kTrials, item::kUncertaintyMode, item::kPrng, item::kConfidenceChoice,
                  item::kNumImpactCategories, item::kNumCostCategories, item::kNumRelUncLevels}) {
        EXPECT_EQ(Item(d, i).type(), VarType::Int32) << "item " << i;
    }
    EXPECT_EQ(Item(d, item::kLevel0 + 3).type(), VarType::Double);
    EXPECT_EQ(Item(d, item::kSoftwareVersion).type(), VarType::Double);
}

TEST(DeserialiseState, OlderLevelKeys) {
    const Variant vu = Read("VU=40");
    EXPECT_DOUBLE_EQ(CDbl(Item(vu, 7)), 40.0);
    EXPECT_DOUBLE_EQ(CDbl(Item(vu, 8)), 40.0);
    const Variant l3 = Read("L3=40");
    EXPECT_DOUBLE_EQ(CDbl(Item(l3, 7)), 40.0);
    EXPECT_DOUBLE_EQ(CDbl(Item(l3, 8)), 70.0);
    const Variant older = Read("VC=5;RC=15;RU=20");
    EXPECT_DOUBLE_EQ(CDbl(Item(older, 4)), 5.0);
    EXPECT_DOUBLE_EQ(CDbl(Item(older, 5)), 15.0);
    EXPECT_DOUBLE_EQ(CDbl(Item(older, 6)), 20.0);
    EXPECT_DOUBLE_EQ(CDbl(Item(Read("VU=400"), 8)), 100.0);
}

TEST(DeserialiseState, CategoricalSwitches) {
    EXPECT_TRUE(CBool(Item(Read("CATI=1"), item::kCategoricalImpacts)));
    EXPECT_TRUE(CBool(Item(Read("CATC=true"), item::kCategoricalCosts)));
    const Variant on = Read("CATI=TRUE;CATC=TRUE");
    const Variant yes = Read("CATI=YES;CATC=0", on);
    EXPECT_EQ(Item(yes, item::kCategoricalImpacts).type(), VarType::Boolean);
    EXPECT_FALSE(CBool(Item(yes, item::kCategoricalImpacts)));
    EXPECT_FALSE(CBool(Item(yes, item::kCategoricalCosts)));
}

TEST(DeserialiseState, NamesAreUpperCasedAndCutAtASecondEquals) {
    EXPECT_EQ(CStr(Item(Read("SPECIES=A=B"), item::kSpecies)), "A");
    EXPECT_EQ(CStr(Item(Read("species=  Sus scrofa ;location=Oahu"), item::kSpecies)), "SUS SCROFA");
    EXPECT_EQ(CStr(Item(Read("LOCATION=\xC3\xBC" "ber"), item::kLocation)), "\xC3\x9C" "BER");
    EXPECT_EQ(CStr(Item(Read("SPECIES"), item::kSpecies)), "");
}

TEST(DeserialiseState, QuantityFieldInAbsoluteMode) {
    const Variant d = Read("UM=1;P2=0.3,N,-0.2");
    ExpectRecord(d, item::Absolute(1), 0.3, 1, 0);
    EXPECT_DOUBLE_EQ(CDbl(Item(d, item::PointValue(1))), 0.3);
    ExpectRecord(d, item::Relative(1), 0.5, 0, 2);  // the other mode's record is untouched
}

TEST(DeserialiseState, QuantityFieldInRelativeMode) {
    const Variant d = Read("UM=0;P2=0.3,LN,VU");
    ExpectRecord(d, item::Relative(1), 0.3, 2, 3);
    EXPECT_DOUBLE_EQ(CDbl(Item(d, item::PointValue(1))), 0.3);
    ExpectRecord(d, item::Absolute(1), 0.5, 0, 1 / std::sqrt(48.0));

    const Variant alone = Read("UM=0;P1=0.3");
    ExpectRecord(alone, item::Relative(0), 0.3, 0, 2);
    EXPECT_DOUBLE_EQ(CDbl(Item(alone, item::PointValue(0))), 0.3);

    // The level index is not limited by the number of levels when read.
    ExpectRecord(Read("UM=0;I5=7,B,L4"), item::Relative(8), 7, 3, 4);
    ExpectRecord(Read("UM=0;F3=12,x,L9"), item::Relative(11), 12, 0, 2);
    EXPECT_DOUBLE_EQ(CDbl(Item(Read("UM=0;F3=12,x,L9"), item::PointValue(11))), 12.0);
}

TEST(DeserialiseState, ModeFromTheFirstQuantityField) {
    const Variant abs = Read("P1=0.3,N,0.1");
    EXPECT_EQ(CLng(Item(abs, item::kUncertaintyMode)), 1);
    ExpectRecord(abs, item::Absolute(0), 0.3, 1, 0.1);

    Variant start = Defaults();
    start(item::kUncertaintyMode) = Variant(1);
    const Variant rel = Read("P1=0.3", start);
    EXPECT_EQ(CLng(Item(rel, item::kUncertaintyMode)), 0);
    ExpectRecord(rel, item::Relative(0), 0.3, 0, 2);

    // Once decided, a later UM is ignored.
    const Variant late = Read("P1=0.3,N,0.1;UM=0;P2=0.4,U,0.2");
    EXPECT_EQ(CLng(Item(late, item::kUncertaintyMode)), 1);
    ExpectRecord(late, item::Absolute(1), 0.4, 0, 0.2);
    EXPECT_EQ(CLng(Item(Read("UM=1;UM=0"), item::kUncertaintyMode)), 1);
    EXPECT_EQ(CLng(Item(Read("UM=0.5"), item::kUncertaintyMode)), 0);
    EXPECT_EQ(CLng(Item(Read("UM=7"), item::kUncertaintyMode)), 1);
}

TEST(DeserialiseState, OutOfRangeQuantityStillDecidesTheMode) {
    const Variant before = Defaults();
    const Variant d = Read("P5=0.9,N,0.2;UM=0;P1=0.3,U,0.1");
    EXPECT_EQ(CLng(Item(d, item::kUncertaintyMode)), 1);
    ExpectRecord(d, item::Absolute(0), 0.3, 0, 0.1);
    // Only items 35, 22 and 47 changed: P5 stored nothing.
    EXPECT_EQ(Differences(d, before), (std::vector<int>{22, 35, 47}));
    EXPECT_EQ(Differences(Read("I6=3;F5=2;UM=0", before), before), (std::vector<int>{}));
}

TEST(DeserialiseState, CategoryTablesTakeTheCurrentCount) {
    const Variant d = Read("NUMI=3;ICAT1=1|2|3|0.2|0.3|0.5");
    const Variant& t = Item(d, item::CategoryTable(4));
    ASSERT_EQ(t.dims(), 2);
    EXPECT_EQ(t.ubound(1), 1);
    EXPECT_EQ(t.ubound(2), 2);
    const double expected[2][3] = {{1, 2, 3}, {0.2, 0.3, 0.5}};
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 3; ++c) EXPECT_DOUBLE_EQ(CDbl(t(r, c)), expected[r][c]);
    }

    const Variant shortTable = Item(Read("NUMI=3;ICAT2=1|2|3"), item::CategoryTable(5));
    ASSERT_EQ(shortTable.dims(), 2);
    for (int c = 0; c < 3; ++c) {
        EXPECT_DOUBLE_EQ(CDbl(shortTable(0, c)), c + 1.0);
        EXPECT_DOUBLE_EQ(CDbl(shortTable(1, c)), 0.0);
    }

    // The count is the one in force when the table is read: the default 5 here.
    const Variant early = Item(Read("FCAT4=10|20|0.4|0.6;NUMC=2"), item::CategoryTable(12));
    ASSERT_EQ(early.dims(), 2);
    EXPECT_EQ(early.ubound(2), 4);
    EXPECT_DOUBLE_EQ(CDbl(early(0, 2)), 0.4);
    EXPECT_DOUBLE_EQ(CDbl(early(1, 0)), 0.0);
}

TEST(DeserialiseState, CarriageReturnsAndTabsAroundFieldsAreIgnored) {
    const Variant d = Read("CATI=TRUE\r;N=2000\t;UM=0;P1=0.2,N,L1\r;SPECIES=\tFox\r\n");
    EXPECT_TRUE(CBool(Item(d, item::kCategoricalImpacts)));
    EXPECT_EQ(CLng(Item(d, item::kTrials)), 2000);
    ExpectRecord(d, item::Relative(0), 0.2, 1, 1);
    EXPECT_EQ(CStr(Item(d, item::kSpecies)), "FOX");
    const Variant abs = Read("P1=0.2,N,0.05\r\n");
    EXPECT_EQ(CLng(Item(abs, item::kUncertaintyMode)), 1);
    ExpectRecord(abs, item::Absolute(0), 0.2, 1, 0.05);
}

TEST(DeserialiseState, NeverRaises) {
    Variant notAnArray;
    EXPECT_NO_THROW(DeserialiseState(notAnArray, "N=2000;P1=0.3,N,0.1;ICAT1=1|2", kRunning));
    EXPECT_TRUE(notAnArray.isEmpty());
    Variant data = Defaults();
    data(item::kNumImpactCategories) = Variant::Doubles({1, 2});  // has no text form
    EXPECT_NO_THROW(DeserialiseState(data, "ICAT1=1|2;N=1E400;N=3000", kRunning));
    EXPECT_TRUE(Item(data, item::CategoryTable(4)).isEmpty());
    EXPECT_EQ(CLng(Item(data, item::kTrials)), 3000);
}

// ---- round trip -------------------------------------------------------------------------

Variant SampleAssessment() {
    Variant d = Defaults();
    d(item::kSpecies) = Variant("Vespa velutina");
    d(item::kLocation) = Variant("Jersey");
    d(item::kTrials) = Variant(5000);
    d(item::kNumRelUncLevels) = Variant(5);
    d(item::kLevel0 + 4) = Variant(90);
    d(item::kPrng) = Variant(1);
    d(item::kConfidenceChoice) = Variant(2);
    d(item::kCategoricalImpacts) = Variant(true);
    d(item::kNumImpactCategories) = Variant(3);
    d(item::kNumCostCategories) = Variant(2);
    const double points[13] = {0.9, 0.75, 0.125, 0.6, 3, 4.5, 6, 7, 10, 1000, 250.5, 12, 0.001};
    for (int id = 0; id < 13; ++id) {
        d(item::PointValue(id)) = Variant(points[id]);
        d(item::Relative(id)) = Variant::Doubles({points[id], static_cast<double>(id % 4), static_cast<double>(id % 5)});
        d(item::Absolute(id)) = Variant::Doubles({points[id], static_cast<double>((id + 1) % 4), 0.05 * (id + 1)});
    }
    for (int id = 4; id <= 8; ++id) d(item::CategoryTable(id)) = Table({1, 2.5, 7}, {0.25, 0.25, 0.5});
    return d;
}

TEST(StateStringRoundTrip, RelativeModeReadsBackTheSameAssessment) {
    const Variant original = SampleAssessment();
    const std::string s = SerialiseState(original, 0);
    const Variant back = Read(s);
    EXPECT_EQ(SerialiseState(back, 0), s);
    EXPECT_EQ(CStr(Item(back, item::kSpecies)), "VESPA VELUTINA");
    for (int id = 0; id < 13; ++id) {
        ExpectRecord(back, item::Relative(id), CDbl(Item(original, item::PointValue(id))), id % 4, id % 5);
    }
    // Everything but the names, the records of the unused mode and item 8's kind.
    std::vector<int> expected = {item::kSpecies, item::kLocation};
    for (int id = 0; id < 13; ++id) expected.push_back(item::Absolute(id));
    std::vector<int> diff;
    for (int i : Differences(back, original)) {
        if (std::find(expected.begin(), expected.end(), i) == expected.end()) diff.push_back(i);
    }
    // Whole numbers come back as 32-bit integers and levels as Doubles: values agree.
    for (int i : diff) EXPECT_TRUE(VarEquals(Item(back, i), Item(original, i)) ) << "item " << i;
}

TEST(StateStringRoundTrip, AbsoluteModeAndFourLevels) {
    Variant original = SampleAssessment();
    original(item::kUncertaintyMode) = Variant(1);
    original(item::kCategoricalCosts) = Variant(true);
    original(item::CategoryTable(9)) = Table({5, 8}, {0.5, 0.5});
    const std::string s = SerialiseState(original, 0);
    const Variant back = Read(s);
    EXPECT_EQ(SerialiseState(back, 0), s);
    for (int id = 0; id < 13; ++id) {
        ExpectRecord(back, item::Absolute(id), CDbl(Item(original, item::PointValue(id))), (id + 1) % 4,
                     0.05 * (id + 1));
        ExpectRecord(back, item::Relative(id), CDbl(Item(Defaults(), item::PointValue(id))), 0, 2);
    }

    // With four levels, a level index of 4 comes back as 3.
    Variant four = SampleAssessment();
    four(item::kNumRelUncLevels) = Variant(4);
    const Variant back4 = Read(SerialiseState(four, 0));
    ExpectRecord(back4, item::Relative(4), 3, 0, 3);
    ExpectRecord(back4, item::Relative(9), 1000, 1, 3);
}

}  // namespace
}  // namespace nuvir
