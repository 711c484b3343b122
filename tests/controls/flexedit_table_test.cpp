// The editable grid as an object: its controls, loading and reading the table, the
// snapshots and the dirty state, Validate rewriting a cell, and the error marks.
#include "flexedit_fixture.h"

#include "flexedit_appdata.h"

namespace nuvir::test {
namespace {

// ---- construction ---------------------------------------------------------------------------

TEST_F(FlexEditTest, HostingBuildsThreeNumberedControlsAndASecondGridTakesNumberTwo) {
    ASSERT_NE(grid_, nullptr);
    EXPECT_EQ(form_->Find("flxFlexEdit1"), static_cast<Control*>(grid_));
    ASSERT_NE(editor_, nullptr);
    ASSERT_NE(sink_, nullptr);
    CFlexEditA second;
    second.SetContainer(form_.get());
    EXPECT_NE(form_->Find("flxFlexEdit2"), nullptr);
    EXPECT_NE(form_->Find("txtFlexEditBox2"), nullptr);
    EXPECT_NE(form_->Find("txtFlexDummy2"), nullptr);
}

TEST_F(FlexEditTest, TheSecondHostIsIgnored) {
    auto other = std::make_unique<Form>();
    edit_->SetContainer(other.get());
    EXPECT_EQ(other->Find("flxFlexEdit1"), nullptr);
    EXPECT_EQ(edit_->Flexgrid(), grid_);
}

TEST_F(FlexEditTest, TheGridStartsHiddenWithHeadingsOnlyAndTheSinkOutOfSight) {
    EXPECT_FALSE(grid_->Visible());
    EXPECT_FALSE(editor_->Visible());
    EXPECT_TRUE(sink_->Visible());
    EXPECT_DOUBLE_EQ(sink_->Top(), -1000);
    EXPECT_EQ(grid_->Rows(), 2);
    EXPECT_EQ(grid_->FixedRows(), 1);
    EXPECT_EQ(grid_->Cols(), 2);
    EXPECT_EQ(grid_->FixedCols(), 0);
    EXPECT_EQ(grid_->RowHeight(0), 240);
    EXPECT_EQ(grid_->ColWidth(0), 240);
    EXPECT_EQ(grid_->FocusRect(), 0);
    EXPECT_EQ(grid_->ScrollBars(), flexscroll::Vertical);
    EXPECT_EQ(edit_->CursorAction(), 2);
    EXPECT_FALSE(edit_->AutoNewRow());
    EXPECT_EQ(edit_->MinCol(), 0);
    EXPECT_EQ(edit_->MinRow(), 1);
    EXPECT_EQ(edit_->EditBackColor(), 0xFFFF00);
}

TEST_F(FlexEditTest, AGridInAFrameKeepsTheSinkOnTheForm) {
    Frame* frame = form_->Add<Frame>("fraGrid");
    CFlexEditA inFrame;
    inFrame.SetContainer(frame);
    ASSERT_NE(inFrame.Flexgrid(), nullptr);
    EXPECT_EQ(inFrame.Flexgrid()->Container(), frame);
    EXPECT_EQ(form_->Find("txtFlexEditBox2")->Container(), frame);
    EXPECT_EQ(form_->Find("txtFlexDummy2")->Container(), form_.get());
}

TEST_F(FlexEditTest, DestroyingTheObjectRemovesItsControls) {
    edit_.reset();
    EXPECT_EQ(form_->Find("flxFlexEdit1"), nullptr);
    EXPECT_EQ(form_->Find("txtFlexEditBox1"), nullptr);
    EXPECT_EQ(form_->Find("txtFlexDummy1"), nullptr);
    EXPECT_EQ(form_->Find("txtOther"), other_);
}

TEST_F(FlexEditTest, TabIndexReads9999UntilSetAndOrdersSinkEditorGrid) {
    CFlexEditA early;
    EXPECT_EQ(early.TabIndex(), 9999);
    early.SetTabIndex(3);  // before the host: only kept
    EXPECT_EQ(early.TabIndex(), 3);
    EXPECT_EQ(edit_->TabIndex(), 9999);
    edit_->SetTabIndex(0);
    EXPECT_EQ(sink_->TabIndex(), 0);
    EXPECT_EQ(editor_->TabIndex(), 1);
    EXPECT_EQ(grid_->TabIndex(), 2);
    EXPECT_GT(other_->TabIndex(), 2);
}

TEST_F(FlexEditTest, MinRowAndMinColIgnoreValuesOutsideTheGrid) {
    CFlexEditA unhosted;
    unhosted.SetMinRow(0);
    EXPECT_EQ(unhosted.MinRow(), 1);
    Load({{"1", "2", "3"}, {"4", "5", "6"}});
    edit_->SetMinCol(3);
    EXPECT_EQ(edit_->MinCol(), 0);
    edit_->SetMinCol(2);
    EXPECT_EQ(edit_->MinCol(), 2);
    edit_->SetMinRow(-1);
    edit_->SetMinRow(3);
    EXPECT_EQ(edit_->MinRow(), 1);
    edit_->SetMinRow(2);
    EXPECT_EQ(edit_->MinRow(), 2);
}

TEST_F(FlexEditTest, IsValidNeedsAHostAndAnEditableCell) {
    CFlexEditA unhosted;
    EXPECT_FALSE(unhosted.IsValid());
    EXPECT_TRUE(edit_->IsValid());
    EXPECT_FALSE(unhosted.Redraw());
}

// ---- loading and reading ------------------------------------------------------------------------

TEST_F(FlexEditTest, ATwoByThreeArrayGivesFourRowsTwoColumnsAndReadsBackTheSame) {
    Variant data = Variant::MakeArray(VarType::Generic, {Bounds{0, 1}, Bounds{0, 2}});
    data(0, 0) = 1.5;
    data(1, 0) = "0.25";
    data(0, 1) = 2;
    data(1, 1) = "x";
    data(0, 2) = std::string();
    data(1, 2) = true;
    edit_->PutArray(data);
    EXPECT_EQ(grid_->Rows(), 4);
    EXPECT_EQ(grid_->Cols(), 2);
    EXPECT_TRUE(grid_->Visible());
    EXPECT_EQ(grid_->TextMatrix(1, 0), "1.5");
    EXPECT_EQ(grid_->TextMatrix(3, 1), "True");
    const Variant back = edit_->GetArray();
    ASSERT_EQ(back.dims(), 2);
    EXPECT_EQ(back.ubound(1), 1);
    EXPECT_EQ(back.ubound(2), 2);
    EXPECT_EQ(Rows(back), "1.5|0.25/2|x/|True");
    EXPECT_EQ(back(0, 0).type(), VarType::String) << "the snapshot holds texts";
    EXPECT_FALSE(edit_->IsDirty());
    EXPECT_EQ(grid_->Row(), 1);
    EXPECT_EQ(grid_->Col(), 0);
}

TEST_F(FlexEditTest, LoadingRaisesNoCellEventsAndRestoresRedraw) {
    grid_->SetRedraw(true);
    edit_->PutArray(Table({{"a", "b"}, {"c", "d"}}));
    EXPECT_TRUE(log_.empty()) << Joined();
    EXPECT_TRUE(grid_->Redraw());
    EXPECT_FALSE(edit_->SuppressCellEvents());
}

TEST_F(FlexEditTest, AShorterTableDropsTheRowsBelowIt) {
    edit_->PutArray(Table({{"a"}, {"b"}, {"c"}, {"d"}}));
    edit_->PutArray(Table({{"x"}}));
    EXPECT_EQ(grid_->Rows(), 2);
    EXPECT_EQ(Rows(edit_->GetArray()), "x");
}

TEST_F(FlexEditTest, TabsAndCarriageReturnsInAValueSpillIntoTheNextCellOrRow) {
    edit_->PutArray(Table({{"a\tb", "c", "d"}, {"e\rf", "g", "h"}, {"i", "j", "k"}}));
    EXPECT_EQ(Rows(edit_->GetArray()), "a|b|c/e||/f|g|h");
}

TEST_F(FlexEditTest, AHiddenRowDropsOutOfTheSnapshotAndTheRowsBelowMoveUp) {
    edit_->PutArray(Table({{"1", "a"}, {"2", "b"}, {"3", "c"}}));
    grid_->SetRowHeight(2, 0);
    edit_->SetDirty();
    EXPECT_EQ(Rows(edit_->GetArray()), "1|a/3|c");
    grid_->SetRowHeight(-1, 0);
    edit_->SetDirty();
    EXPECT_TRUE(edit_->GetArray().isEmpty()) << "every row hidden";
}

TEST_F(FlexEditTest, AnythingButATableLeavesTheRowsBeforeMinRow) {
    edit_->PutArray(Table({{"1", "a"}, {"2", "b"}}));
    edit_->PutArray(Variant::List({1, 2, 3}));
    EXPECT_EQ(grid_->Rows(), 1);
    EXPECT_TRUE(edit_->GetArray().isEmpty());
    edit_->SetMinRow(0);
    EXPECT_EQ(edit_->MinRow(), 0);
    grid_->SetRows(3);
    edit_->SetMinRow(2);
    edit_->PutArray(Variant("not a table"));
    EXPECT_EQ(grid_->Rows(), 2);
    EXPECT_EQ(edit_->GetArray().dims(), 2) << "the data row before MinRow stays";
}

// ---- snapshots and dirty state -----------------------------------------------------------------------

TEST_F(FlexEditTest, SetDirtyWithEqualSnapshotsIsStillClean) {
    Load({{"1", "2"}});
    edit_->SetDirty();
    EXPECT_FALSE(edit_->IsDirty());
    grid_->SetTextMatrix(1, 1, "changed behind its back");
    EXPECT_FALSE(edit_->IsDirty()) << "the snapshot was not retaken";
    edit_->SetDirty();
    EXPECT_TRUE(edit_->IsDirty());
    edit_->ClearDirty();
    EXPECT_FALSE(edit_->IsDirty());
}

TEST_F(FlexEditTest, ALetterCaseChangeIsAChange) {
    Load({{"abc"}});
    grid_->SetTextMatrix(1, 0, "ABC");
    edit_->SetDirty();
    EXPECT_TRUE(edit_->IsDirty());
}

TEST_F(FlexEditTest, TypingTheOldValueBackLeavesTheGridClean) {
    Load({{"7", "8"}});
    edit_->EditText(1, 0);
    Type("9");
    EXPECT_EQ(grid_->TextMatrix(1, 0), "9") << "the cell follows the typing";
    Key(Qt::Key_Right, Qt::NoModifier);
    edit_->ForceCapture();
    EXPECT_TRUE(edit_->IsDirty());
    edit_->EditText(1, 0);
    Type("7");
    edit_->ForceCapture();
    EXPECT_FALSE(edit_->IsDirty());
    EXPECT_EQ(Rows(edit_->GetArray()), "7|8");
}

TEST_F(FlexEditTest, CancelChangesRestoresTheSnapshotButNotTheCells) {
    Load({{"1", "2"}, {"3", "4"}});
    edit_->EditText(2, 1);
    Type("40");
    edit_->ForceCapture();
    EXPECT_EQ(Rows(edit_->GetArray()), "1|2/3|40");
    edit_->CancelChanges();
    EXPECT_EQ(Rows(edit_->GetArray()), "1|2/3|4");
    EXPECT_EQ(grid_->TextMatrix(2, 1), "40");
}

TEST_F(FlexEditTest, AValueRewrittenByAValidateHandlerIsWhatGetArrayReturns) {
    Load({{"1"}, {"2"}});
    QObject::connect(edit_.get(), &CFlexEditA::Validate, [this](int r, int c, const Variant& v) {
        if (!IsNumeric(v)) edit_->Flexgrid()->SetTextMatrix(r, c, "1");
    });
    edit_->EditText(2, 0);
    Type("abc");
    edit_->ForceCapture();
    EXPECT_EQ(log_.back(), "validate(2,0,abc)") << "the handler sees what was typed";
    EXPECT_EQ(grid_->TextMatrix(2, 0), "1");
    EXPECT_EQ(Rows(edit_->GetArray()), "1/1");
}

// ---- error marks ------------------------------------------------------------------------------------

TEST_F(FlexEditTest, ACellInErrorReadsEmptyShowsTheErrorColourAndItsTextAsTip) {
    ScopedGridSettings settings;
    settings.SetErrorColour(0x123456);
    Load({{"1", "a"}, {"2", "b"}});
    edit_->SetAllowEdit(false);  // no editor over the cells the mouse visits
    grid_->SetRow(2);
    grid_->SetCol(0);
    log_.clear();
    FlexEditTestPeer::Mark(*edit_, 1, 1, "not a number");
    EXPECT_EQ(grid_->Row(), 2) << "marking keeps the current cell";
    EXPECT_TRUE(log_.empty()) << "marking raises no cell events: " << Joined();
    edit_->SetDirty();
    EXPECT_EQ(Rows(edit_->GetArray()), "1|/2|b");
    grid_->SetRow(1);
    grid_->SetCol(1);
    EXPECT_EQ(grid_->CellBackColor(), 0x123456);
    QTest::mouseMove(grid_->viewport(), grid_->CellRectPx(1, 1).center() - grid_->viewport()->geometry().topLeft());
    QApplication::processEvents();
    EXPECT_EQ(grid_->MouseRow(), 1);
    EXPECT_EQ(grid_->MouseCol(), 1);
    EXPECT_EQ(grid_->ToolTipText(), "not a number");
    QTest::mouseMove(grid_->viewport(), grid_->CellRectPx(2, 1).center() - grid_->viewport()->geometry().topLeft());
    QApplication::processEvents();
    EXPECT_EQ(grid_->ToolTipText(), "");
}

TEST_F(FlexEditTest, RevalidatingClearsTheMarksSoTheGridIsValid) {
    Load({{"1", "a"}});
    FlexEditTestPeer::Mark(*edit_, 1, 0, "bad");
    EXPECT_TRUE(edit_->IsValid());
    edit_->SetDirty();
    EXPECT_EQ(Rows(edit_->GetArray()), "1|a");
    grid_->SetRow(1);
    grid_->SetCol(0);
    EXPECT_EQ(grid_->CellBackColor(), grid_->BackColor());
}

TEST_F(FlexEditTest, AMarkOnAHiddenRowIsNotMade) {
    Load({{"1"}, {"2"}});
    grid_->SetRowHeight(2, 0);
    FlexEditTestPeer::Mark(*edit_, 2, 0, "bad");
    grid_->SetRowHeight(2, 240);
    edit_->SetDirty();
    EXPECT_EQ(Rows(edit_->GetArray()), "1/2");
}

TEST_F(FlexEditTest, AnOwnerGrowingTheGridLeavesNewCellsOutOfErrorAndMarkable) {
    Load({{"1", "a"}});
    grid_->SetRows(5);
    grid_->SetCols(4);
    grid_->SetTextMatrix(4, 3, "far");
    edit_->SetDirty();
    EXPECT_EQ(Rows(edit_->GetArray()), "1|a||/|||/|||/|||far");
    FlexEditTestPeer::Mark(*edit_, 4, 3, "bad");
    FlexEditTestPeer::Mark(*edit_, 1, 1, "bad too");
    edit_->SetDirty();
    EXPECT_EQ(Rows(edit_->GetArray()), "1|||/|||/|||/|||");
    grid_->SetRows(2);
    grid_->SetCols(1);
    edit_->SetDirty();
    EXPECT_EQ(Rows(edit_->GetArray()), "1");
}

// ---- mouse events relayed ----------------------------------------------------------------------------

TEST_F(FlexEditTest, MouseDownAndUpAreRelayedWithTheGridsArguments) {
    Load({{"1", "2"}});
    std::vector<std::string> seen;
    QObject::connect(edit_.get(), &CFlexEditA::MouseDown,
                     [&](int b, int, double x, double) { seen.push_back("down" + std::to_string(b) + "@" + FormatDouble(x)); });
    QObject::connect(edit_.get(), &CFlexEditA::MouseUp,
                     [&](int b, int, double, double) { seen.push_back("up" + std::to_string(b)); });
    QTest::mouseClick(grid_->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(10, 5));
    const int x = 10 + grid_->viewport()->geometry().left();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], "down2@" + FormatDouble(15.0 * x));
    EXPECT_EQ(seen[1], "up2");
}

}  // namespace
}  // namespace nuvir::test
