// The state string: its three written forms and the tolerant reader.
#include "appdata/statestring.h"
#include "appdata_fixture.h"

namespace nuvir {
namespace {

using test::Text;
using Items = std::vector<std::pair<int, Variant>>;

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

Variant Defaults(const Items& items = {}) {
    Variant d = GetAppDataDefaults(true, Variant());
    for (const auto& [index, value] : items) d(index) = value;
    return d;
}

Variant Read(const std::string& spec, Variant data = Defaults()) {
    DeserialiseState(data, spec, kRunning);
    return data;
}

TEST(SerialiseState, EachFormOfChangedItems) {
    EXPECT_EQ(SerialiseState(Defaults(), stateform::kStateString), kDefaultState);
    EXPECT_EQ(SerialiseState(Defaults(), stateform::kHeader), kDefaultHeader);
    EXPECT_EQ(SerialiseState(Defaults(), stateform::kValues), kDefaultValues);
    const Variant table = test::Table(2, 3, {1, 2, 3, 0.2, 0.3, 0.5}), costs = test::Table(2, 2, {10, 20, 0.25, 0.75});
    const Items records = {{item::Relative(0), Variant::Doubles({0.5, 1, 4})},
                           {item::Relative(1), Variant::Doubles({0.5, 3, -1})},
                           {item::Relative(2), Variant::Doubles({0.5, 2, 2.5})}};  // halves to even: 2
    const Items absolute = {{item::kUncertaintyMode, Variant(1)},
                            {item::PointValue(1), Variant(0.3)},
                            {item::Absolute(1), Variant::Doubles({0.3, 1, 1e-5})}};
    const Items tables = {{item::CategoryTable(4), table},
                          {item::CategoryTable(9), costs},
                          {item::kCategoricalImpacts, Variant(true)},
                          {item::kCategoricalCosts, Variant(true)}};
    const Items names = {{item::kSpecies, Variant("Rattus rattus, black rat")},
                         {item::kLocation, Variant("M\xC3\xBCnchen")}};
    const Items separators = {{item::kSpecies, Variant("A;N=5000")}, {item::kLocation, Variant("North\r\nShore")}};
    const std::tuple<const char*, Items, int, std::string> cases[] = {
        {"distribution and level codes", records, 0, ";P1=0.5,N,L3;P2=0.5,B,??;P3=0.5,LN,L2;"},
        {"five levels",
         {{item::Relative(0), Variant::Doubles({0.5, 1, 4})}, {item::kNumRelUncLevels, Variant(5)}},
         0,
         ";P1=0.5,N,L4;"},
        {"absolute records", absolute, 0, ";P1=0.5,U,0.144337567297406;P2=0.3,N,1E-05;"},
        {"no mode: point values alone",
         {{item::kUncertaintyMode, Variant(2)}, {item::PointValue(1), Variant(0.3)}},
         0,
         ";VN=2.5;P1=0.5;P2=0.3;"},
        {"no mode, header", {{item::kUncertaintyMode, Variant(2)}}, 2, ",VN,P1,P2,P3,"},
        {"tables", tables, 0, ";CATI=TRUE;CATC=TRUE;"},
        {"tables at the end", tables, 0, ";F4=0,U,L2;ICAT1=1|2|3|0.2|0.3|0.5;FCAT1=10|20|0.25|0.75"},
        {"tables as values", tables, 1, ",0,U,L2,1|2|3|0.2|0.3|0.5,,,,,10|20|0.25|0.75,,,"},
        {"tables leave the header", tables, 2, kDefaultHeader},
        {"a name with a comma has one header column", names, 2, "SPECIES,LOCATION,N,"},
        {"a name with a comma is quoted", names, 1, "\"Rattus rattus, black rat\",M\xC3\xBCnchen,1000,"},
        {"inner quotes doubled",
         {{item::kLocation, Variant("Bay \"East\"")}},
         1,
         "New Species,\"Bay \"\"East\"\"\",1000,"},
        {"upper case beyond ASCII", names, 0, "SPECIES=RATTUS RATTUS, BLACK RAT;LOCATION=M\xC3\x9CNCHEN;"},
        {"separators in names", separators, 0, "SPECIES=A N 5000;LOCATION=NORTH  SHORE;N=1000;"},
        {"line breaks in names", separators, 1, "A;N=5000,North  Shore,1000,"},
        // Codes no 32-bit integer holds, from a hand-edited file, are as unknown as 7.
        {"a code beyond 32 bits, absolute",
         {{item::kUncertaintyMode, Variant(1)}, {item::Absolute(4), Variant::Doubles({1, 1e10, 0.1})}},
         0,
         ";I1=1,?,0.1;"},
        {"a code beyond 32 bits, relative",
         {{item::Relative(3), Variant::Doubles({0.5, 144337567297406.0, 0})}},
         0,
         ";P4=0.5,?,L0;"},
        {"a negative code beyond 32 bits",
         {{item::Relative(0), Variant::Doubles({0.5, -1e10, 2})}},
         1,
         "New Location,1000,4,10,30,50,70,70,0,0,1,False,False,5,5,2.5,0.5,?,L2,"},
        {"a level beyond 32 bits", {{item::Relative(0), Variant::Doubles({0.5, 1, 1e10})}}, 0, ";P1=0.5,N,L3;"},
        {"a level far below 0", {{item::Relative(0), Variant::Doubles({0.5, 1, -1e10})}}, 0, ";P1=0.5,N,??;"},
    };
    for (const auto& [name, items, form, part] : cases) {
        SCOPED_TRACE(name);
        const std::string s = SerialiseState(Defaults(items), form);
        EXPECT_NE(s.find(part), std::string::npos) << s;
    }
    EXPECT_EQ(SerialiseState(Defaults({{item::CategoryTable(4), table}}), 0), kDefaultState);  // tables switched off
    EXPECT_EQ(CStr(Read(SerialiseState(Defaults(separators), 0))(item::kSpecies)), "A N 5000");
    EXPECT_THROW(
        SerialiseState(Defaults({{item::Relative(3), Variant::List({Variant(0.5), Variant("x"), Variant(2)})}}), 0),
        AppError);
    EXPECT_THROW(SerialiseState(Defaults({{item::Relative(0), Variant("not a record")}}), 1), AppError);
}

TEST(DeserialiseState, FieldsHeldWithinTheirRanges) {
    for (const char* spec : {"", ";;;", " ; =5 ; ;\r\n", "P12=0.3;X1=5;L5=3;ICAT6=1|2;FCAT5=1|2;FOO;I6=1;F5=2"})
        EXPECT_EQ(SerialiseState(Read(spec), 0) + Text(Read(spec)(item::CategoryTable(4))), kDefaultState) << spec;
    const char* const mixed = "P1=0.3,N,0.1;UM=0;P2=0.4,U,0.2";
    const char* const p5 = "P5=0.9,N,0.2;UM=0;P1=0.3,U,0.1";  // dropped, but decides the mode
    const char* const returns = "CATI=TRUE\r;UM=0;P1=0.2,N,L1\r;SPECIES=\tFox\r\n";
    const std::tuple<const char*, int, const char*> cases[] = {
        {"n=50", item::kTrials, "1000"},
        {"N=1E6", item::kTrials, "100000"},
        {"N=2500.5", item::kTrials, "2500"},
        {" n = 2 001 ", item::kTrials, "2001"},
        {"ci=7", item::kConfidenceChoice, "2"},
        {"NUMR=3", item::kNumRelUncLevels, "4"},
        {"NUMI=0", item::kNumImpactCategories, "1"},
        {"VN=1", item::kSoftwareVersion, "2.5"},
        {"VN=9.1", item::kSoftwareVersion, "3.2"},
        {"VN=2.75", item::kSoftwareVersion, "2.75"},
        {"L2=150", 6, "100"},
        {"L1=12.5", 5, "12.5"},
        {"RU=20", 6, "20"},
        {"VU=40", 7, "40"},
        {"VU=40", 8, "40"},
        {"L3=40", 8, "70"},  // only VU sets the fifth level
        {"CATI=1", item::kCategoricalImpacts, "True"},
        {"SPECIES=A=B", item::kSpecies, "A"},
        {"species=  Sus scrofa ", item::kSpecies, "SUS SCROFA"},
        {"UM=1;P2=0.3,N,-0.2", item::Absolute(1), "0.3,1,0"},
        {"UM=1;P2=0.3,N,-0.2", item::PointValue(1), "0.3"},
        {"UM=1;P2=0.3,N,-0.2", item::Relative(1), "0.5,0,2"},  // the other mode's record stays
        {"UM=0;P2=0.3,LN,VU", item::Relative(1), "0.3,2,3"},
        {"UM=0;P1=0.3", item::Relative(0), "0.3,0,2"},
        {"UM=0;P1=0.3", item::PointValue(0), "0.3"},
        {"UM=0;I5=7,B,L4", item::Relative(8), "7,3,4"},  // not limited when read
        {mixed, item::kUncertaintyMode, "1"},
        {mixed, item::Absolute(1), "0.4,0,0.2"},
        {"UM=1;UM=0", item::kUncertaintyMode, "1"},
        {p5, item::kUncertaintyMode, "1"},
        {p5, item::Absolute(0), "0.3,0,0.1"},
        {"NUMI=3;ICAT1=1|2|3|0.2|0.3|0.5", item::CategoryTable(4), "1,2,3|0.2,0.3,0.5"},
        {"NUMI=3;ICAT2=1|2|3", item::CategoryTable(5), "1,2,3|0,0,0"},
        {"FCAT4=10|20|0.4|0.6;NUMC=2", item::CategoryTable(12), "10,20|0.4,0.6"},  // the count the line leaves
        {returns, item::kCategoricalImpacts, "True"},
        {returns, item::Relative(0), "0.2,1,1"},
        {returns, item::kSpecies, "FOX"},
    };
    for (const auto& [spec, index, expected] : cases) EXPECT_EQ(Text(Read(spec)(index)), expected) << spec;
    EXPECT_EQ(Read("N=2000")(item::kTrials).get().type(), VarType::Int32);
    EXPECT_FALSE(CBool(Read("CATI=YES", Read("CATI=TRUE"))(item::kCategoricalImpacts)));
    EXPECT_EQ(CLng(Read("P1=0.3", Defaults({{item::kUncertaintyMode, Variant(1)}}))(item::kUncertaintyMode)), 0);
    // Nothing raises.
    Variant notAnArray;
    EXPECT_NO_THROW(DeserialiseState(notAnArray, "N=2000;P1=0.3,N,0.1;ICAT1=1|2", kRunning));
    Variant data = Defaults({{item::kNumImpactCategories, Variant::Doubles({1, 2})}});  // no text form
    EXPECT_NO_THROW(DeserialiseState(data, "ICAT1=1|2;N=1E400;N=3000", kRunning));
    EXPECT_EQ(Text(data(item::CategoryTable(4))) + Text(data(item::kTrials)), "3000");
}

// A line is held as an opened file holds it: every category table as wide as the count
// the line leaves, its cells laid row 0 first as a file's comma list is.
TEST(DeserialiseState, TablesTakeTheCountsTheLineLeaves) {
    const char* const wider = "SPECIES=BAD;CATI=TRUE;NUMI=3;ICAT1=1|2|3|0.2|0.3|0.5;NUMI=5";
    const Variant three = Read("NUMI=3;ICAT1=1|2|3|0.2|0.3|0.5");
    struct Case {
        const char* name;
        const char* spec;
        Variant start;
        int index;
        const char* table;
    };
    const Case cases[] = {
        {"a later count widens the table", wider, Defaults(), item::CategoryTable(4), "1,2,3,0.2,0.3|0.5,0,0,0,0"},
        {"a later count narrows it", "NUMI=5;ICAT2=1|2|3|4|5|0.1|0.2|0.3|0.2|0.2;NUMI=2", Defaults(),
         item::CategoryTable(5), "1,2|3,4"},
        {"cells beyond the count in force when met", "NUMI=2;ICAT1=1|2|3|0.2|0.3|0.5;NUMI=3", Defaults(),
         item::CategoryTable(4), "1,2,3|0.2,0.3,0.5"},
        {"a table an earlier line left follows a new count", "NUMI=4", three, item::CategoryTable(4),
         "1,2,3,0.2|0.3,0.5,0,0"},
        {"an earlier table under an unchanged count stays", "N=2000", three, item::CategoryTable(4),
         "1,2,3|0.2,0.3,0.5"},
        {"cost tables too", "FCAT4=10|20|0.4|0.6;NUMC=2", Defaults(), item::CategoryTable(12), "10,20|0.4,0.6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Text(Read(c.spec, c.start)(c.index)), c.table);
    }
    // What is read writes back as a line that reads back the same.
    struct Trip {
        const char* spec;
        const char* written;
    };
    const Trip trips[] = {
        {wider, "NUMI=5;NUMC=5;VN=2.5;P1=0.5,U,L2;"},
        {wider, "ICAT1=1|2|3|0.2|0.3|0.5|0|0|0|0"},
        {"CATI=TRUE;NUMI=3;ICAT1=1|2|3|0.2|0|0", "ICAT1=1|2|3|0.2|0|0"},
        {"CATI=TRUE;ICAT1=1|2|3|0.2|0|0;NUMI=3", "ICAT1=1|2|3|0.2|0|0"},
        {"CATI=TRUE;NUMI=3;ICAT1=1|2|3|0.2|0|0;ICAT1=4|5|6|0.5|0.5|0", "ICAT1=4|5|6|0.5|0.5|0"},
    };
    for (const auto& t : trips) {
        SCOPED_TRACE(t.spec);
        const std::string once = SerialiseState(Read(t.spec), 0);
        EXPECT_NE(once.find(t.written), std::string::npos) << once;
        EXPECT_EQ(SerialiseState(Read(once), 0), once);
    }
}

// Every control character inside a name is a blank wherever the name goes, as the
// separators are in a state string: read from a line, written to a line or a CSV row.
TEST(StateString, ControlCharactersInNamesAreBlanks) {
    struct Case {
        const char* name;
        std::string inside;  // between "A" and "B"
        bool control;
    };
    const Case cases[] = {
        {"NUL", std::string(1, '\0'), true},
        {"U+0001", "\x01", true},
        {"tab", "\t", true},
        {"U+001F", "\x1F", true},
        {"DEL", "\x7F", true},
        {"U+0080", "\xC2\x80", true},
        {"NEL", "\xC2\x85", true},
        {"U+009F", "\xC2\x9F", true},
        {"no-break space", "\xC2\xA0", false},
        {"U+00C0", "\xC3\x80", false},
        {"tilde", "~", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string kept = c.control ? " " : c.inside;
        // Read: the line's name.
        EXPECT_EQ(CStr(Read("SPECIES=A" + c.inside + "B;N=2000")(item::kSpecies)), "A" + UCase(kept) + "B");
        // Written: a name that holds one, as a ";" or a line feed would be.
        const Variant data = Defaults({{item::kSpecies, Variant("A" + c.inside + "B")}});
        const std::string line = "SPECIES=A" + UCase(kept) + "B;", row = "A" + kept + "B,";
        EXPECT_EQ(SerialiseState(data, stateform::kStateString).substr(0, line.size()), line);
        EXPECT_EQ(SerialiseState(data, stateform::kValues).substr(0, row.size()), row);
    }
}

// A name longer than any file keeps whole refuses its line with the reason; one that
// fits is taken whole (upper case, as every field).
TEST(DeserialiseState, ANameLongerThanAFileKeepsRefusesTheLine) {
    struct Case {
        const char* name;
        std::string spec, error, species;
    };
    const Case cases[] = {
        {"a species of 4095 characters", "SPECIES=" + std::string(4095, 's') + ";N=2000", "", std::string(4095, 'S')},
        {"a species of 4096 characters", "SPECIES=" + std::string(4096, 's') + ";N=2000",
         "The line was not run: a species name of 4096 characters is longer than the 4095 a name can have.", ""},
        {"a location of 60,000 characters", "LOCATION=" + std::string(60000, 'l'),
         "The line was not run: a location name of 60000 characters is longer than the 4095 a name can have.", ""},
        {"blanks around do not count", "SPECIES=  " + std::string(4095, 's') + "  ", "", std::string(4095, 'S')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Variant d = Defaults();
        EXPECT_EQ(test::ErrorText([&] { DeserialiseState(d, c.spec, kRunning); }), c.error);
        EXPECT_EQ(CStr(d(item::kSpecies)), c.error.empty() ? c.species : "New Species") << "taken whole or not at all";
    }
}

TEST(StateStringRoundTrip, ReadsBackTheSameAssessment) {
    Variant d = Defaults({{item::kSpecies, Variant("Vespa velutina")},
                          {item::kTrials, Variant(5000)},
                          {item::kNumRelUncLevels, Variant(5)},
                          {item::kLevel4, Variant(90)},
                          {item::kConfidenceChoice, Variant(2)},
                          {item::kCategoricalImpacts, Variant(true)},
                          {item::kNumImpactCategories, Variant(3)}});
    const double points[13] = {0.9, 0.75, 0.125, 0.6, 3, 4.5, 6, 7, 10, 1000, 250.5, 12, 0.001};
    for (int id = 0; id < 13; ++id) {
        d(item::PointValue(id)) = Variant(points[id]);
        d(item::Relative(id)) = Variant::Doubles({points[id], id % 4 * 1.0, id % 5 * 1.0});
        d(item::Absolute(id)) = Variant::Doubles({points[id], (id + 1) % 4 * 1.0, 0.05 * (id + 1)});
    }
    for (int id = 4; id <= 8; ++id) d(item::CategoryTable(id)) = test::Table(2, 3, {1, 2.5, 7, 0.25, 0.25, 0.5});
    for (int mode : {0, 1}) {
        d(item::kUncertaintyMode) = Variant(mode);
        const std::string s = SerialiseState(d, 0);
        EXPECT_EQ(SerialiseState(Read(s), 0), s);
    }
}

}  // namespace
}  // namespace nuvir
