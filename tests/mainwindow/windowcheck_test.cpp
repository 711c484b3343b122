// One look over every window in each of its states at its design size: every caption
// on view shows its whole text, every disabled control looks disabled, and a picture
// of each goes into the build folder. The ctest entry "windowcheck_x2" runs it again
// at QT_SCALE_FACTOR=2.
#include "mainwindow_fixture.h"

#include <functional>
#include <utility>

#include <QScrollBar>

#include <filesystem>

#include <QClipboard>
#include <QMessageBox>
#include <QTimer>

#include "../formdriver.h"
#include "../windowcheck.h"
#include "batch/batchwindow.h"
#include "controls/tableeditor.h"
#include "dialogs/exportname.h"
#include "dialogs/optionsdialog.h"
#include "dialogs/plotoptions.h"
#include "mainwindow/about.h"
#include "mainwindow/batchwindowpart.h"
#include "mainwindow/windowchain.h"
#include "platform/flexgrid.h"
#include "support/fakepopupmenu.h"
#include "results/resultscontroller.h"
#include "mainwindow/windowuncertainty.h"
#include "platform/services.h"
#include "platform/services_qt.h"

namespace nuvir::test {
namespace {

class WindowCheck : public MainWindowTest {
protected:
    // The window as the program wires it, minus the dialogs a test opens itself. Run
    // takes a fixed seed, not the clock's, so that every run of the check plots the same
    // data and finds the same.
    FRiskMain& StartReal() {
        MainWindowParts parts;
        parts.makeBatchWindow = MakeBatchWindow;
        parts.makeChain = [] { return std::make_unique<WindowChain>(); };
        parts.makeUncertainty = [] { return std::make_unique<WindowUncertainty>(); };
        parts.makeResults = [](FRiskMain& w) { return std::make_unique<WindowResults>(w); };
        FRiskMain& w = Start(std::move(parts));
        dynamic_cast<WindowResults&>(w.Results()).Controller().runSeed = 4321.5f;
        return w;
    }
};

TEST_F(WindowCheck, EveryMainWindowStateShowsWholeTextsAndGreysWhatIsOff) {
    FRiskMain& w = StartReal();
    struct Case {
        const char* name;
        std::function<void()> enter;
    };
    const Case cases[] = {
        {"main_inputs", [&] { w.tabMain->SetTab(0); }},
        {"main_relative",
         [&] {
             w.tabMain->SetTab(1);
             w.optUncertain[0]->click();
         }},
        {"main_relative_five_levels", [&] { w.updNumLevels->SetValue(5); }},
        {"main_absolute", [&] { w.optUncertain[1]->click(); }},
        {"main_absolute_costs", [&] { w.tabAbsolute->SetTab(1); }},
        {"main_monte_carlo_before_run", [&] { w.tabMain->SetTab(2); }},
        {"main_monte_carlo_after_run",
         [&] {
             w.cmdButton[0]->click();
             w.TimerTick(2);
         }},
        {"main_monte_carlo_data_changed",
         [&] {
             AppData(item::kSpecies) = Variant("Changed");
             w.TimerTick(2);
         }},
        {"main_monte_carlo_mixed_results",
         [&] {
             w.cmdButton[0]->click();
             w.TimerTick(2);
         }},
        {"main_monte_carlo_custom_generator",
         [&] {
             w.OptionsMenuClick(0);
             w.cmdButton[0]->click();
             w.TimerTick(2);
             Settle();
             EXPECT_EQ(w.labMonte[0]->x(), w.txtMonte[0]->x()) << "the heading stands over its box";
         }},
        {"main_monte_carlo_details",
         [&] {
             FakePopupMenu popup;
             popup.QueueChoice(0);  // Show Details
             dynamic_cast<WindowResults&>(w.Results()).Controller().picMonte_MouseUp(1, 2, 0, 1, 0);
         }},
        {"main_monte_carlo_costs", [&] { w.tabSimulationGraphs->SetTab(1); }},
        {"main_costs_hidden_inputs",
         [&] {
             w.OptionsMenuClick(1);
             w.tabMain->SetTab(0);
         }},
        {"main_costs_hidden_absolute",
         [&] {
             w.tabMain->SetTab(1);
             w.tabAbsolute->SetTab(1);
         }},
        {"main_categorical_inputs",
         [&] {
             w.OptionsMenuClick(1);
             w.OptionsMenuClick(3);
             w.OptionsMenuClick(4);
             w.tabMain->SetTab(0);
         }},
        {"main_categorical_relative",
         [&] {
             w.tabMain->SetTab(1);
             w.optUncertain[0]->click();
         }},
        {"main_categorical_absolute",
         [&] {
             w.optUncertain[1]->click();
             w.tabAbsolute->SetTab(0);
         }},
    };
    for (const Case& c : cases) {
        c.enter();
        Settle();
        windowcheck::CheckWindow(w, c.name);
    }
}

// Every page laid out at every window size: no control runs past what holds it, none
// covers another where the design does not lay one over the other, every result plot
// whole in its picture, the sensitivity details clear of the commands and the result
// lines with every row whole; the batch window beside the main window, and the export
// naming dialog with three files to overwrite in a folder of 150 characters. At
// scale 2 the default size only.
TEST_F(WindowCheck, EveryPageIsLaidOutAtEveryWindowSize) {
    using windowcheck::Stack;
    struct Size {
        int width, height;  // pixels
    };
    std::vector<Size> sizes{{800, 600},   {1100, 700},  {1200, 700}, {1280, 800},
                            {1600, 1000}, {1880, 1040}, {1920, 1080}};
    if (windowcheck::Scale() > 1.0) sizes = {{800, 600}};
    // The details panel pops up over the plots' sub-tabs, the chain's edit box over the
    // diagram; the two uncertainty views share one place and show one at a time.
    const std::vector<Stack> stacks{{"picShowSensMeasures", "tabSimulationGraphs"},
                                    {"picUncertainContainer*", "picUncertainContainer*"}};
    FRiskMain& w = StartReal();
    ResultsController& results = dynamic_cast<WindowResults&>(w.Results()).Controller();
    w.FileMenuClick(7);
    ASSERT_TRUE(w.BatchForm);
    FBatch& batch = dynamic_cast<BatchWindowPart&>(*w.BatchForm).Form();

    int changes = 0;
    struct Page {
        const char* name;
        std::function<void()> enter;
        bool results;
    };
    const Page pages[] = {
        {"inputs", [&] { w.tabMain->SetTab(0); }, false},
        {"relative",
         [&] {
             w.tabMain->SetTab(1);
             w.optUncertain[0]->click();
         },
         false},
        {"absolute",
         [&] {
             w.optUncertain[1]->click();
             w.tabAbsolute->SetTab(0);
         },
         false},
        {"absolute_costs", [&] { w.tabAbsolute->SetTab(1); }, false},
        {"results",
         [&] {
             w.tabMain->SetTab(2);
             w.tabSimulationGraphs->SetTab(0);
             // The uncertainty pages' switches changed the data the results were of.
             w.cmdButton[0]->click();
             w.TimerTick(2);
             ASSERT_TRUE(w.Results().ResultsValid());
             FakePopupMenu popup;
             popup.QueueChoice(0);
             results.picMonte_MouseUp(1, 2, 0, 1, 0);
         },
         true},
        {"results_costs", [&] { w.tabSimulationGraphs->SetTab(1); }, true},
        {"results_data_changed",
         [&] {
             w.tabSimulationGraphs->SetTab(0);
             AppData(item::kSpecies) = Variant("Changed " + std::to_string(++changes));
             w.TimerTick(2);
         },
         true},
    };
    for (const Size& size : sizes) {
        const std::string at = std::to_string(size.width) + "x" + std::to_string(size.height);
        w.SetWidth(size.width * metrics.twipsPerPixelX);
        w.SetHeight(size.height * metrics.twipsPerPixelY);
        for (const Page& page : pages) {
            page.enter();
            Settle();
            const std::string name = std::string("layout_") + page.name + "_" + at;
            windowcheck::CheckLayout(w, name, stacks);
            SCOPED_TRACE(name);
            // Every plot on view: the results' and the uncertainty editors'. The chain's
            // diagram starts at its picture's left edge by design.
            for (QtPictureBox* plot : w.findChildren<QtPictureBox*>()) {
                if (plot == w.picChainContainer || !plot->isVisibleTo(&w) || plot->ScaleMode() != scale::User) continue;
                for (const std::string& f : windowcheck::PlotCut(windowcheck::NameOf(plot), plot->Image(),
                                                                 ColourToQColor(plot->BackColor()))) {
                    ADD_FAILURE() << "plot: " << f;
                }
            }
            if (!page.results) continue;
            ASSERT_TRUE(w.picShowSensMeasures->isVisible());
            // The histogram beside the panel keeps its title and scale in view.
            QtPictureBox* histogram = w.picMonte[w.tabSimulationGraphs->Tab() == 0 ? 0 : 2];
            const double ratio = histogram->Image().devicePixelRatio();
            const QRect panel(histogram->mapFrom(&w, w.picShowSensMeasures->mapTo(&w, QPoint(0, 0))),
                              w.picShowSensMeasures->size());
            const QPoint client =
                panel.topLeft() - QPoint(histogram->contentsMargins().left(), histogram->contentsMargins().top());
            const QRect panelInImage = QRectF(QPointF(client) * ratio, QSizeF(panel.size()) * ratio).toAlignedRect();
            for (const std::string& f :
                 windowcheck::PlotMarginsHidden(windowcheck::NameOf(histogram), histogram->Image(),
                                                ColourToQColor(histogram->BackColor()), panelInImage)) {
                ADD_FAILURE() << "details: " << f;
            }
            FlexGrid& grid = *w.flxShowSensMeasures;
            for (int row = 1; row <= grid.Rows() - 2; ++row) {
                const QRect cell(grid.mapTo(w.picShowSensMeasures, grid.CellRectPx(row, 1).topLeft()),
                                 grid.CellRectPx(row, 1).size());
                EXPECT_FALSE(cell.isEmpty()) << "row " << row;
                EXPECT_TRUE(w.picShowSensMeasures->rect().contains(cell)) << "row " << row << " whole";
            }
        }
        windowcheck::CheckLayout(batch, "layout_batch_" + at, {});
    }

    // Three files that exist, in a folder of 150 characters.
    std::string folder = dir.str() + "/";
    folder += std::string(150 - folder.size(), 'f');
    std::filesystem::create_directories(folder);
    for (const char* file : {"/trial.CSV", "/trial.SAM", "/trial.TXT"}) WriteBytes(folder + file, "x");
    ASSERT_EQ(folder.size(), 150u);
    ExportPath = folder;
    AppOptions(opt::kExportFormats) = Variant::List({Variant(true), Variant(true), Variant(true)});
    FExportName dialog;
    dialog.BaseName = "trial";
    dialog.Show();
    Settle();
    auto* actions = dialog.FindAs<MultiLineTextBox>("txtActions");
    EXPECT_EQ(actions->verticalScrollBar()->maximum(), 0) << "every target and warning in view";
    EXPECT_FALSE(actions->horizontalScrollBar()->isVisible()) << "long paths wrap";
    windowcheck::CheckLayout(dialog, "layout_export_naming", {{"Label1(0)", "txtName"}, {"Label1(1)", "txtActions"}});
    dialog.Unload();
}

// A table of texts as the table dialog takes it: first index the column, second the row.
Variant TextTable(const std::vector<std::vector<std::string>>& rows) {
    const int nRows = static_cast<int>(rows.size());
    const int nCols = static_cast<int>(rows.front().size());
    Variant a = Variant::MakeArray(VarType::Generic, {Bounds{0, nCols - 1}, Bounds{0, nRows - 1}});
    for (int r = 0; r < nRows; ++r)
        for (int c = 0; c < nCols; ++c) a(c, r) = rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
    return a;
}

// Shows a window and checks it as it stands.
void ShowAndCheck(Form& form, const std::string& name) {
    form.Show();
    Settle();
    windowcheck::CheckWindow(form, name);
}

TEST_F(WindowCheck, EveryDialogAndMessageShowsWholeTextsAndGreysWhatIsOff) {
    FRiskMain& w = StartReal();
    {
        FOptions options(&w);
        options.makePlotOptions = [] { return std::make_unique<FPlotOptions>(); };
        const char* const pages[] = {"options_calculation", "options_plots", "options_reports", "options_exports",
                                     "options_appearance"};
        options.Show();
        for (int page = 0; page < 5; ++page) {
            options.FindAs<TabControl>("tabMain")->SetTab(page);
            Settle();
            windowcheck::CheckWindow(options, pages[page]);
        }
    }
    {
        FPlotOptions plotOptions;
        ShowAndCheck(plotOptions, "plot_options");
    }
    {
        AppOptions(opt::kExportFormats) = Variant::List({Variant(true), Variant(true), Variant(true)});
        FExportName naming;
        naming.fileExists = [](const std::string&) { return true; };
        naming.BaseName = "trial";
        ShowAndCheck(naming, "export_naming_three_existing");
    }
    {
        FTableEdit table;
        table.PutArray(TextTable({{"1", "0.2"}, {"2", "0.8"}}), Variant::List({Variant("Impact"), Variant("P (0-1)")}));
        table.SetReferencePosition(Variant::Doubles({3000, 3000, 1200, 300}));
        ShowAndCheck(table, "table_editor");
    }
    {
        // Probabilities with six decimals in the category table, under the program's
        // name as the window manager shows it.
        FTableEdit table;
        table.PutArray(TextTable({{"1", "0.000001"}, {"2", "0.999999"}}),
                       Variant::List({Variant("Impact"), Variant("P (0-1)")}));
        table.SetReferencePosition(Variant::Doubles({3000, 3000, 1200, 300}));
        ShowAndCheck(table, "table_editor_six_decimals");
    }
    {
        FBatch batch(&w);
        ShowAndCheck(batch, "batch_empty_list");
        batch.MainMenu(1)->Trigger();  // Record: the window becomes a strip
        Settle();
        windowcheck::CheckWindow(batch, "batch_recording");
        batch.MainMenu(1)->Trigger();
        Settle();
    }
    {
        FAbout about(&w);
        ShowAndCheck(about, "about");
    }
    // The program's messages, the shortest texts under the longest titles.
    struct Message {
        const char* name;
        const char* title;
        const char* text;
        int style;
    };
    const Message messages[] = {
        {"message_batch_success", "Success running batch file", "Batch run complete.", mb::OKOnly},
        {"message_batch_query_save", "NUVIR Batch: Query Save", "Current batch set has changed.\r\n\r\nSave?",
         mb::YesNo},
        {"message_batch_run_error", "Error running batch file", "Overflow", mb::OKOnly},
        {"message_batch_open_error", "Error opening batch file", "Overflow", mb::OKOnly},
        {"message_batch_capture_error", "Error capturing batch spec", "Overflow", mb::OKOnly},
        {"message_run_error", "Error running Monte Carlo simulation", "Overflow", mb::OKOnly},
        {"message_export_error", "Export(s) discontinued because of an error", "Overflow", mb::OKOnly},
        {"message_restore_error", "Restore current state from file", "The file /a.ra could not be read.", mb::OKOnly},
        {"message_report_open_failed", "Auto-open of report failed", "Overflow", mb::OKOnly},
        {"message_missing_template", "Missing report template", "Overflow", mb::OKOnly},
        {"message_untitled", "", "Overflow", mb::OKOnly},
    };
    for (const Message& m : messages) {
        QMessageBox box;
        QtMessageBoxService::Build(box, m.text, m.style, m.title);
        box.show();
        Settle();
        windowcheck::CheckWindow(box, m.name);
        box.hide();
    }
}

// The Edit menu opened by its access key (Alt+E), which gives the focus to the menu
// bar, keeps Copy and Cut for the control the analyst was working in, and Copy takes
// a clicked plot's picture: a result plot's and an uncertainty editor's alike.
TEST_F(WindowCheck, TheEditMenuOpenedByKeysActsOnTheControlWorkedIn) {
    FRiskMain& w = StartReal();
    ShowActive(w);
    QApplication::clipboard()->setText("pasted");
    QtPictureBox* editorPlot = w.FindAs<QtPictureBox>("uncElemPlot1");
    ASSERT_NE(editorPlot, nullptr);
    struct Case {
        const char* name;
        std::function<void()> enter;
        bool cut;
        QtPictureBox* picture;  // whose image Copy takes, none for text
    };
    const Case cases[] = {
        {"text selected in Species",
         [&] {
             w.tabMain->SetTab(0);
             Settle();
             Click(w.txtTextBox[0]);
             Key(Qt::Key_Home);
             Key(Qt::Key_End, Qt::ShiftModifier);
         },
         true, nullptr},
        {"the diagram clicked",
         [&] {
             // Beside the stages, where a click opens no value for editing.
             QtPictureBox* pic = w.picChainContainer;
             QTest::mouseClick(pic, Qt::LeftButton, {}, QPoint(pic->width() - 5, pic->height() - 5));
         },
         false, w.picChainContainer},
        {"a result plot clicked",
         [&] {
             w.tabMain->SetTab(2);
             w.cmdButton[0]->click();
             w.TimerTick(2);
             Settle();
             Click(w.picMonte[0]);
         },
         false, w.picMonte[0]},
        {"an editor's plot clicked",
         [&] {
             w.tabMain->SetTab(1);
             w.optUncertain[1]->click();
             w.tabAbsolute->SetTab(0);
             Settle();
             Click(editorPlot);
         },
         false, editorPlot},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.enter();
        Settle();
        Key(Qt::Key_E, Qt::AltModifier);
        Settle();
        ASSERT_NE(QApplication::activePopupWidget(), nullptr) << "the Edit menu is open";
        w.TimerTick(0);  // the housekeeping tick while the menu is open
        EXPECT_TRUE(w.mnuEdit[0]->Enabled()) << "Copy";
        EXPECT_EQ(w.mnuEdit[1]->Enabled(), c.cut) << "Cut";
        QApplication::clipboard()->clear();
        // The access key of Copy: an open menu takes the keyboard's keys.
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_C);
        Settle();
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        if (c.picture == nullptr) {
            EXPECT_EQ(QApplication::clipboard()->text().toStdString(), w.txtTextBox[0]->Text());
        } else {
            const QImage copied = QApplication::clipboard()->image();
            const QImage shown = c.picture->Image();
            EXPECT_EQ(copied.convertToFormat(shown.format()), shown);
            if (c.picture == editorPlot) {
                ASSERT_TRUE(copied.save(QCoreApplication::applicationDirPath() + "/editor_plot_copied.png"));
            }
        }
    }
}

// The chain's edit box shows its number from the first digit, as every box the program
// fills does: the grey box over a categorical impact, scrolled to its end, showed
// "5001875" of 187.5001875 and ".000001" of 1.000001, and the white box over p1, its
// number selected to be typed over, showed "3456789" of 0.123456789, also when it did
// start there but the box had held a longer number before. Pictures:
// windowcheck_locked_box_*.png and windowcheck_open_box_*.png, the box alone as the
// screen shows it in *_alone.png.
TEST_F(WindowCheck, TheChainsEditBoxShowsItsNumberFromItsFirstDigit) {
    struct Case {
        const char* name;
        const char* impacts;  // the master table of impacts in the settings, if any
        bool locked;          // a categorical impact's box, else p1's
        bool byTab;           // p1 reached by Tab from F1, else by a click on it
        const char* longer;   // typed first into I1 (stored) or F1 (then Tab), if any
        const char* picture;
        const char* shownFrom;
    };
    // Probabilities 0.4 and four times 0.2 add up to 1.2; scaled to one with six decimals
    // they are 0.333333 and 0.166667, whose sum is 1.000001 times an impact they share.
    const Case cases[] = {{"impacts of 1 (the defaults)", nullptr, true, false, nullptr, "locked_box_1", "1.0000"},
                          {"impacts of 187.5", "187.5,187.5,187.5,187.5,187.5", true, false, nullptr, "locked_box_187",
                           "187.5"},
                          {"p1 of 0.123456789 clicked", nullptr, false, false, nullptr, "open_box_clicked", "0.1234"},
                          {"p1 of 0.123456789 reached by Tab", nullptr, false, true, nullptr, "open_box_tab", "0.1234"},
                          {"p1 clicked after a longer I1", nullptr, false, false, "-12345678901234567890",
                           "open_box_clicked_after_longer", "0.1234"},
                          {"p1 reached by Tab after a longer F1", nullptr, false, true, "12345678901234567890",
                           "open_box_tab_after_longer", "0.1234"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        win.reset();
        if (c.impacts != nullptr) WriteFile("nuvir.ini", std::string("[Primary Cat Data]\r\nIx=") + c.impacts + "\r\n");
        FRiskMain& w = StartReal();
        ShowActive(w);
        TextBox* box = w.txtChainEditBox;
        if (c.locked) {
            w.mnuOptions[3]->Trigger();  // Options > Categorical Impacts
            ClickOnDiagram(2, CChainElement::kPartI);
            ASSERT_TRUE(box->isVisible() && box->Locked());
            bool edited = false;
            QTimer::singleShot(0, [&] {  // runs once the table editor waits for the analyst
                auto* dialog = dynamic_cast<Form*>(QApplication::activeModalWidget());
                if (dialog == nullptr) return;
                QApplication::setActiveWindow(dialog);
                if (!QTest::qWaitForWindowActive(dialog)) return;
                for (const char* p : {"0.4", "0.2", "0.2", "0.2", "0.2"}) {
                    Retype(p);
                    Key(Qt::Key_Return);
                }
                edited = dialog->UnloadFor(unloadreason::ControlMenu);  // its close box
            });
            Key(Qt::Key_Space);
            ASSERT_TRUE(edited);
            QApplication::setActiveWindow(&w);  // the window manager gives the activation back
        } else {
            ClickOnDiagram(1, CChainElement::kPartP);
            ASSERT_TRUE(box->isVisible() && box->hasFocus());
            QTest::keyClicks(box, "0.123456789");
            Key(Qt::Key_Return);
            Settle();
            ASSERT_FALSE(box->hasFocus());  // stored, the box left
            if (c.byTab) {
                ClickOnDiagram(1, CChainElement::kPartF);
                ASSERT_TRUE(box->hasFocus());
                if (c.longer != nullptr) {
                    QTest::keyClicks(box, c.longer);
                    Settle();  // drawn as typed, scrolled to its end
                }
                Key(Qt::Key_Tab);
            } else {
                if (c.longer != nullptr) {
                    ClickOnDiagram(1, CChainElement::kPartI);
                    QTest::keyClicks(box, c.longer);
                    Settle();
                    Key(Qt::Key_Return);
                    Settle();
                }
                ClickOnDiagram(1, CChainElement::kPartP);
            }
            ASSERT_TRUE(box->isVisible() && !box->Locked() && box->hasFocus());
            EXPECT_EQ(box->Tag(), "1" + dynamic_cast<WindowChain&>(w.Chain()).Chain().Element(1)->ID());
            // Typing replaces the whole number.
            EXPECT_EQ(box->selectedText().toStdString(), "0.123456789");
        }
        Settle();
        const QImage seen = windowcheck::OnScreen(*box);  // before the pictures draw it again
        windowcheck::CheckWindow(w, c.picture);
        const QString alone = QCoreApplication::applicationDirPath() + "/windowcheck_" + c.picture + "_alone" +
                              QString::fromStdString(windowcheck::ScaleSuffix()) + ".png";
        ASSERT_TRUE(seen.save(alone));
        EXPECT_TRUE(box->grab().toImage().convertToFormat(seen.format()) == seen)
            << "the screen shows the box otherwise than it draws itself: " << alone.toStdString();
        EXPECT_TRUE(windowcheck::VisibleText(*box).startsWith(c.shownFrom))
            << "'" << windowcheck::VisibleText(*box).toStdString() << "' of '" << box->Text() << "'";
    }
}

}  // namespace
}  // namespace nuvir::test
