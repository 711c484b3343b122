// The set of thirteen editors: layout over the two host boxes, loading from and
// writing to the absolute records, and the relay of DataChanged.
#include <QSignalSpy>

#include <cmath>

#include "uncertainty/uncertaintyelements.h"
#include "uncertainty_fixture.h"

namespace nuvir {
namespace {

TEST(ElementLayout, ColumnsRowsAndSizes) {
    struct Case { const char* name; double w, h; int columns, rows; double width, height; };
    const Case cases[] = {
        {"start-up page", 11400, 7000, 3, 3, 3700, 2200},
        {"narrower page", 9000, 7000, 2, 4, 4350, 1625},
        {"too narrow for one column", 3000, 7000, 1, 9, 3700, 6000.0 / 9},
        {"wider than nine columns", 40000, 3000, 9, 1, (40000 - 1000) / 9.0, 2800},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ElementLayout l = ComputeElementLayout(LayoutColumns(c.w), c.w, c.h);
        EXPECT_EQ(l.columns, c.columns);
        EXPECT_EQ(l.rows, c.rows);
        EXPECT_DOUBLE_EQ(l.width, c.width);
        EXPECT_DOUBLE_EQ(l.height, c.height);
    }
}

struct Set : test::HostForm {
    CUncertaintyElements set;
    void Make(double width = 11400, double height = 7000) {
        Show(width, height);
        set.SetHost({first, last});
        set.Render();
    }
    CUncertaintyElement& E(int i) { return *set.UncertaintyElement(i); }
};

TEST_F(Set, ThirteenEditorsFillTheBoxesRowByRow) {
    Make();
    EXPECT_EQ(set.Columns(), 3);
    EXPECT_EQ(E(0).Left(), 100);
    EXPECT_EQ(E(1).Left(), 3900);
    EXPECT_EQ(E(3).Left(), 100);
    EXPECT_EQ(E(3).Top(), 2400);
    EXPECT_EQ(E(8).Top(), 4700);
    EXPECT_EQ(E(9).Host(), last);
    EXPECT_EQ(E(9).Left(), 100);
    EXPECT_EQ(E(9).Top(), 100);
    EXPECT_EQ(E(12).Top(), 2400);
    EXPECT_EQ(set.UncertaintyElement(13), nullptr);
    EXPECT_EQ(E(4).Value(), 1);  // loaded from the new assessment's records
    EXPECT_NEAR(E(4).SD(), 1 / std::sqrt(48.0), 1e-4);
}

TEST_F(Set, AWiderBoxKeepsTheColumnsAndWidensTheEditors) {
    Make(9000, 7000);
    EXPECT_EQ(E(1).Width(), 4350);
    EXPECT_EQ(E(2).Top(), 1825);  // a new row of two
    first->SetWidth(15000);
    set.Render();
    EXPECT_EQ(set.Columns(), 2);
    EXPECT_DOUBLE_EQ(E(0).Width(), (15000 - 300) / 2.0);
}

TEST_F(Set, UpdateAppDataWritesOneAllOrNothing) {
    Make();
    for (int i = 0; i < 13; ++i) E(i).SetSD(0.25);
    set.UpdateAppData(13);
    EXPECT_NE(CDbl(AppData(item::Absolute(3))(2)), 0.25);
    set.UpdateAppData(3);
    EXPECT_EQ(CDbl(AppData(item::Absolute(3))(2)), 0.25);
    EXPECT_NE(CDbl(AppData(item::Absolute(4))(2)), 0.25);
    set.UpdateAppData(-1);
    for (int i = 0; i < 13; ++i) EXPECT_EQ(CDbl(AppData(item::Absolute(i))(2)), 0.25) << i;
}

TEST_F(Set, SetDataGivesImpactsTheirTablesWhenCategorical) {
    Make();
    AppData(item::kCategoricalImpacts) = Variant(true);
    Variant table = Variant::MakeArray(VarType::Double, {Bounds{0, 1}, Bounds{0, 1}});
    table(0, 0) = Variant(2.0);
    table(0, 1) = Variant(4.0);
    table(1, 0) = Variant(0.5);
    table(1, 1) = Variant(0.5);
    for (int id = 4; id <= 12; ++id) AppData(item::CategoryTable(id)) = table;
    SetRecord(0, 0.75, 0, 0.1);
    set.SetData();
    for (int id = 4; id <= 8; ++id) EXPECT_TRUE(E(id).CategoryData().isArray()) << id;
    for (int id = 9; id <= 12; ++id) EXPECT_TRUE(E(id).CategoryData().isEmpty()) << id;
    EXPECT_EQ(E(0).Value(), 0.75);
    // The same data again draws nothing.
    int drawings = 0;
    for (int i = 0; i < 13; ++i) drawings += E(i).PlotDrawings();
    set.SetData();
    for (int i = 0; i < 13; ++i) drawings -= E(i).PlotDrawings();
    EXPECT_EQ(drawings, 0);
}

TEST_F(Set, AnEditorsChangeReachesTheWindowWithItsID) {
    Make();
    QSignalSpy relayed(&set, &CUncertaintyElements::DataChanged);
    E(7).SetDistribution(1);
    ASSERT_EQ(relayed.count(), 1);
    EXPECT_EQ(relayed.at(0).at(0).toInt(), 7);
}

TEST_F(Set, AFilesSDSurvivesOpeningIt) {
    Make();
    // The window writes a record back on every relayed change.
    QObject::connect(&set, &CUncertaintyElements::DataChanged, [this](int id) { set.UpdateAppData(id); });
    SetRecord(5, 3, 1, 0.25);  // shown: uniform, the default SD
    set.Render();
    EXPECT_EQ(CDbl(AppData(item::Absolute(5))(2)), 0.25);
    EXPECT_EQ(CDbl(AppData(item::Absolute(5))(1)), 1);
    EXPECT_EQ(E(5).SD(), 0.25);
    EXPECT_EQ(E(5).Distribution(), 1);
    EXPECT_EQ(E(5).Value(), 3);
}

TEST_F(Set, PictureOfTheDefaultAssessment) {
    Make();
    SetRecord(1, 0.9, 1, 0.2);
    SetRecord(2, 0.3, 3, 0.1);
    SetRecord(5, 10, 2, 3);
    SetRecord(10, 5, 1, 0);
    set.Render();
    const QImage shot = form.grab().toImage();
    ASSERT_TRUE(shot.save(QStringLiteral("uncertainty_editors.png")));
    // Each plot shows its curve in the kind's colour.
    for (int i : {0, 1, 2, 4, 5, 9}) {
        auto* plot = dynamic_cast<QtPictureBox*>(E(i).ControlAt(8));
        const Colour kind = CLng(AppOptions(i < 4 ? opt::kColourPBox : i < 9 ? opt::kColourIBox : opt::kColourFixedCost));
        const QImage img = plot->Image();
        int hits = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) hits += img.pixel(x, y) == ColourToQColor(kind).rgb();
        EXPECT_GT(hits, 50) << i;
    }
}

}  // namespace
}  // namespace nuvir
