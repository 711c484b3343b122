// The state string: its three written forms and the tolerant reader.
#include <gtest/gtest.h>

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

bool Has(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

Variant Defaults() { return GetAppDataDefaults(true, Variant()); }

Variant Read(const std::string& spec, Variant data = Defaults()) {
    DeserialiseState(data, spec, kRunning);
    return data;
}

// One item of the data read from a state string over the defaults.
Variant ItemAfter(const std::string& spec, int index) { return Read(spec)(index); }

void ExpectRecord(const Variant& data, int index, double v0, double v1, double v2) {
    const Variant& r = data(index);
    ASSERT_EQ(r.dims(), 1) << "item " << index;
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

// ---- writing ----------------------------------------------------------------------------

TEST(SerialiseState, DefaultsInEachForm) {
    const Variant d = Defaults();
    EXPECT_EQ(SerialiseState(d, stateform::kStateString), kDefaultState);
    EXPECT_EQ(SerialiseState(d, stateform::kHeader), kDefaultHeader);
    EXPECT_EQ(SerialiseState(d, stateform::kValues), kDefaultValues);

    const Variant saved = AppData;
    AppData = d;
    EXPECT_EQ(SerialiseState(0), kDefaultState);
    DeserialiseState("N=2500");
    EXPECT_EQ(CLng(AppData(item::kTrials)), 2500);
    AppData = saved;
}

TEST(SerialiseState, RecordsInBothModes) {
    Variant d = Defaults();
    d(item::Relative(0)) = Variant::Doubles({0.5, 1, 4});
    d(item::Relative(1)) = Variant::Doubles({0.5, 3, -1});
    d(item::Relative(2)) = Variant::Doubles({0.5, 2, 2.5});  // halves to even: 2
    EXPECT_TRUE(Has(SerialiseState(d, 0), ";P1=0.5,N,L3;P2=0.5,B,??;P3=0.5,LN,L2;"));
    d(item::kNumRelUncLevels) = Variant(5);
    EXPECT_TRUE(Has(SerialiseState(d, 0), ";P1=0.5,N,L4;"));

    d(item::kUncertaintyMode) = Variant(1);
    d(item::PointValue(1)) = Variant(0.3);
    d(item::Absolute(1)) = Variant::Doubles({0.3, 1, 1e-5});
    EXPECT_TRUE(Has(SerialiseState(d, 0), ";UM=1;PRNG=0;"));
    EXPECT_TRUE(Has(SerialiseState(d, 0), ";P1=0.5,U,0.144337567297406;P2=0.3,N,1E-05;"));

    d(item::kUncertaintyMode) = Variant(2);  // no mode: the point values alone
    EXPECT_TRUE(Has(SerialiseState(d, 0), ";VN=2.5;P1=0.5;P2=0.3;"));
    EXPECT_TRUE(Has(SerialiseState(d, 2), ",VN,P1,P2,P3,"));
}

TEST(SerialiseState, CategoryTablesOnlyWhenSwitchedOn) {
    Variant d = Defaults();
    d(item::CategoryTable(4)) = Table({1, 2, 3}, {0.2, 0.3, 0.5});
    d(item::CategoryTable(9)) = Table({10, 20}, {0.25, 0.75});
    EXPECT_EQ(SerialiseState(d, 0), kDefaultState);
    d(item::kCategoricalImpacts) = Variant(true);
    d(item::kCategoricalCosts) = Variant(true);
    const std::string s = SerialiseState(d, 0);
    EXPECT_TRUE(Has(s, ";CATI=TRUE;CATC=TRUE;"));
    EXPECT_TRUE(s.ends_with(";F4=0,U,L2;ICAT1=1|2|3|0.2|0.3|0.5;FCAT1=10|20|0.25|0.75")) << s;
    EXPECT_TRUE(SerialiseState(d, 1).ends_with(",0,U,L2,1|2|3|0.2|0.3|0.5,,,,,10|20|0.25|0.75,,,"));
    EXPECT_EQ(SerialiseState(d, 2), kDefaultHeader);
}

TEST(SerialiseState, Names) {
    Variant d = Defaults();
    d(item::kSpecies) = Variant("Rattus rattus, black rat");
    d(item::kLocation) = Variant("M\xC3\xBCnchen");
    // A name with a comma is one quoted column under one header name.
    EXPECT_TRUE(SerialiseState(d, 2).starts_with("SPECIES,LOCATION,N,"));
    EXPECT_TRUE(SerialiseState(d, 1).starts_with("\"Rattus rattus, black rat\",M\xC3\xBCnchen,1000,"));
    d(item::kLocation) = Variant("Bay \"East\"");
    EXPECT_TRUE(SerialiseState(d, 1).starts_with("\"Rattus rattus, black rat\",\"Bay \"\"East\"\"\",1000,"));
    d(item::kLocation) = Variant("M\xC3\xBCnchen");
    // Upper case that is right for letters beyond ASCII.
    EXPECT_TRUE(SerialiseState(d, 0).starts_with("SPECIES=RATTUS RATTUS, BLACK RAT;LOCATION=M\xC3\x9CNCHEN;"));

    // Separators inside names become blanks in form 0; line breaks in every form.
    d(item::kSpecies) = Variant("A;N=5000");
    d(item::kLocation) = Variant("North\r\nShore");
    const std::string s = SerialiseState(d, 0);
    EXPECT_TRUE(s.starts_with("SPECIES=A N 5000;LOCATION=NORTH  SHORE;N=1000;")) << s;
    const Variant back = Read(s);
    EXPECT_EQ(CLng(back(item::kTrials)), 1000);
    EXPECT_EQ(CStr(back(item::kSpecies)), "A N 5000");
    EXPECT_TRUE(SerialiseState(d, 1).starts_with("A;N=5000,North  Shore,1000,"));
}

TEST(SerialiseState, ConversionErrorsReachTheCaller) {
    Variant d = Defaults();
    d(item::Relative(3)) = Variant::List({Variant(0.5), Variant("x"), Variant(2)});
    EXPECT_THROW(SerialiseState(d, 0), AppError);
    d = Defaults();
    d(item::Relative(0)) = Variant("not a record");
    EXPECT_THROW(SerialiseState(d, 1), AppError);
}

// ---- reading ----------------------------------------------------------------------------

TEST(DeserialiseState, NothingToReadChangesNothing) {
    for (const char* spec : {"", ";;;", " ; =5 ; ;\r\n", "P12=0.3;X1=5;L5=3;ICAT6=1|2;FCAT5=1|2;FOO;I6=1;F5=2"}) {
        EXPECT_EQ(SerialiseState(Read(spec), 0), kDefaultState) << spec;
        EXPECT_TRUE(Read(spec)(item::CategoryTable(4)).get().isEmpty());
    }
}

TEST(DeserialiseState, ScalarsSwitchesAndNamesAreHeldWithinTheirRanges) {
    const struct {
        const char* spec;
        int index;
        Variant expected;
    } cases[] = {
        {"n=50", item::kTrials, Variant(1000)}, {"N=1E6", item::kTrials, Variant(100000)}, {"N=2500.5", item::kTrials, Variant(2500)},
        {" n = 2 001 ", item::kTrials, Variant(2001)}, {"ci=7", item::kConfidenceChoice, Variant(2)},
        {"NUMR=3", item::kNumRelUncLevels, Variant(4)}, {"NUMI=0", item::kNumImpactCategories, Variant(1)},
        {"VN=1", item::kSoftwareVersion, Variant(2.5)}, {"VN=9.1", item::kSoftwareVersion, Variant(kRunning)},
        {"VN=2.75", item::kSoftwareVersion, Variant(2.75)}, {"L2=150", 6, Variant(100)}, {"L1=12.5", 5, Variant(12.5)},
        {"RU=20", 6, Variant(20)}, {"VU=40", 7, Variant(40)}, {"VU=40", 8, Variant(40)},
        {"L3=40", 8, Variant(70)},  // only VU sets the fifth level
        {"CATI=1", item::kCategoricalImpacts, Variant(true)}, {"SPECIES=A=B", item::kSpecies, Variant("A")},
        {"species=  Sus scrofa ", item::kSpecies, Variant("SUS SCROFA")},
    };
    for (const auto& c : cases) {
        const Variant got = ItemAfter(c.spec, c.index);
        EXPECT_EQ(CStr(got), CStr(c.expected)) << c.spec;
    }
    EXPECT_EQ(ItemAfter("N=2000", item::kTrials).type(), VarType::Int32);
    EXPECT_FALSE(CBool(Read("CATI=YES", Read("CATI=TRUE"))(item::kCategoricalImpacts)));
}

TEST(DeserialiseState, QuantityFields) {
    const Variant abs = Read("UM=1;P2=0.3,N,-0.2");
    ExpectRecord(abs, item::Absolute(1), 0.3, 1, 0);
    EXPECT_DOUBLE_EQ(CDbl(abs(item::PointValue(1))), 0.3);
    ExpectRecord(abs, item::Relative(1), 0.5, 0, 2);  // the other mode's record stays

    ExpectRecord(Read("UM=0;P2=0.3,LN,VU"), item::Relative(1), 0.3, 2, 3);
    const Variant alone = Read("UM=0;P1=0.3");
    ExpectRecord(alone, item::Relative(0), 0.3, 0, 2);
    EXPECT_DOUBLE_EQ(CDbl(alone(item::PointValue(0))), 0.3);
    ExpectRecord(Read("UM=0;I5=7,B,L4"), item::Relative(8), 7, 3, 4);  // not limited when read
}

TEST(DeserialiseState, ModeFromTheFirstQuantityField) {
    const Variant abs = Read("P1=0.3,N,0.1;UM=0;P2=0.4,U,0.2");
    EXPECT_EQ(CLng(abs(item::kUncertaintyMode)), 1);
    ExpectRecord(abs, item::Absolute(1), 0.4, 0, 0.2);
    Variant start = Defaults();
    start(item::kUncertaintyMode) = Variant(1);
    EXPECT_EQ(CLng(Read("P1=0.3", start)(item::kUncertaintyMode)), 0);
    EXPECT_EQ(CLng(ItemAfter("UM=1;UM=0", item::kUncertaintyMode)), 1);

    // P5 is dropped but still decides the mode.
    const Variant p5 = Read("P5=0.9,N,0.2;UM=0;P1=0.3,U,0.1");
    EXPECT_EQ(CLng(p5(item::kUncertaintyMode)), 1);
    ExpectRecord(p5, item::Absolute(0), 0.3, 0, 0.1);
}

TEST(DeserialiseState, CategoryTablesTakeTheCountInForce) {
    const Variant t = ItemAfter("NUMI=3;ICAT1=1|2|3|0.2|0.3|0.5", item::CategoryTable(4));
    ASSERT_EQ(t.dims(), 2);
    EXPECT_EQ(t.ubound(2), 2);
    EXPECT_DOUBLE_EQ(CDbl(t(0, 2)), 3.0);
    EXPECT_DOUBLE_EQ(CDbl(t(1, 0)), 0.2);
    const Variant shortTable = ItemAfter("NUMI=3;ICAT2=1|2|3", item::CategoryTable(5));
    ASSERT_EQ(shortTable.dims(), 2);
    EXPECT_DOUBLE_EQ(CDbl(shortTable(0, 2)), 3.0);
    EXPECT_DOUBLE_EQ(CDbl(shortTable(1, 2)), 0.0);
    // Read before NUMC: the default of 5 columns.
    EXPECT_EQ(ItemAfter("FCAT4=10|20|0.4|0.6;NUMC=2", item::CategoryTable(12)).ubound(2), 4);
}

TEST(DeserialiseState, CarriageReturnsAroundFieldsAreIgnoredAndNothingRaises) {
    const Variant d = Read("CATI=TRUE\r;UM=0;P1=0.2,N,L1\r;SPECIES=\tFox\r\n");
    EXPECT_TRUE(CBool(d(item::kCategoricalImpacts)));
    ExpectRecord(d, item::Relative(0), 0.2, 1, 1);
    EXPECT_EQ(CStr(d(item::kSpecies)), "FOX");

    Variant notAnArray;
    EXPECT_NO_THROW(DeserialiseState(notAnArray, "N=2000;P1=0.3,N,0.1;ICAT1=1|2", kRunning));
    Variant data = Defaults();
    data(item::kNumImpactCategories) = Variant::Doubles({1, 2});  // no text form
    EXPECT_NO_THROW(DeserialiseState(data, "ICAT1=1|2;N=1E400;N=3000", kRunning));
    EXPECT_TRUE(data(item::CategoryTable(4)).get().isEmpty());
    EXPECT_EQ(CLng(data(item::kTrials)), 3000);
}

// ---- round trip -------------------------------------------------------------------------

TEST(StateStringRoundTrip, ReadsBackTheSameAssessment) {
    Variant d = Defaults();
    d(item::kSpecies) = Variant("Vespa velutina");
    d(item::kTrials) = Variant(5000);
    d(item::kNumRelUncLevels) = Variant(5);
    d(item::kLevel4) = Variant(90);
    d(item::kConfidenceChoice) = Variant(2);
    d(item::kCategoricalImpacts) = Variant(true);
    d(item::kNumImpactCategories) = Variant(3);
    const double points[13] = {0.9, 0.75, 0.125, 0.6, 3, 4.5, 6, 7, 10, 1000, 250.5, 12, 0.001};
    for (int id = 0; id < 13; ++id) {
        d(item::PointValue(id)) = Variant(points[id]);
        d(item::Relative(id)) = Variant::Doubles({points[id], id % 4 * 1.0, id % 5 * 1.0});
        d(item::Absolute(id)) = Variant::Doubles({points[id], (id + 1) % 4 * 1.0, 0.05 * (id + 1)});
    }
    for (int id = 4; id <= 8; ++id) d(item::CategoryTable(id)) = Table({1, 2.5, 7}, {0.25, 0.25, 0.5});

    for (int mode : {0, 1}) {
        d(item::kUncertaintyMode) = Variant(mode);
        const std::string s = SerialiseState(d, 0);
        const Variant back = Read(s);
        EXPECT_EQ(SerialiseState(back, 0), s);
        EXPECT_EQ(CStr(back(item::kSpecies)), "VESPA VELUTINA");
        for (int id = 0; id < 13; ++id) {
            ExpectRecord(back, mode == 0 ? item::Relative(id) : item::Absolute(id), points[id],
                         mode == 0 ? id % 4 : (id + 1) % 4, mode == 0 ? id % 5 : 0.05 * (id + 1));
        }
    }
    // With four levels a level index of 4 comes back as 3.
    d(item::kUncertaintyMode) = Variant(0);
    d(item::kNumRelUncLevels) = Variant(4);
    ExpectRecord(Read(SerialiseState(d, 0)), item::Relative(4), 3, 0, 3);
}

}  // namespace
}  // namespace nuvir
