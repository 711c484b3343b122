#pragma once
// The main window: the program's start-up object, alive as long as the program runs.
//
// It holds one assessment in the program-wide AppData and shows it on three pages of
// one tab control: "Ps and Qs" (species, location, the chain diagram), "Uncertainty"
// (the relative certainty-level grid or the thirteen absolute uncertainty editors) and
// "Monte Carlo" (trials, confidence, run and results). Its first activation loads the
// two settings files and fills every control; closing it writes them back. Three
// timers keep it in step: housekeeping every 200 ms (caption, Edit menu, help context,
// cost pages, the batch window), chain synchronisation every 500 ms while "Ps and Qs"
// shows, and the results check every 200 ms while "Monte Carlo" shows.
//
// The chain, the editors, the results display, the options dialog and the batch window
// are reached through the interfaces of mainports.h. Members keep the names the rest
// of the program knows them by; the event handlers and the steps they take are public,
// though only the window calls them, so that tests drive them as the events would.
#include <QPointer>
#include <QTimer>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "mainwindow/mainports.h"
#include "appdata/appdata.h"
#include "chain/chain.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/multilinetextbox.h"
#include "platform/qtpicturebox.h"

namespace nuvir {

class CBoxArray;
class FlexGrid;

class FRiskMain : public Form, public MainFormHost, public ITabStopHost {
    Q_OBJECT
public:
    // `documentFolder` is where the four folders point when the options INI names none.
    explicit FRiskMain(MainWindowParts parts = {}, std::string documentFolder = {});
    ~FRiskMain() override;

    // ---- public members ---------------------------------------------------------
    // One line per control: Name/Index/TabStop/TabIndex.
    std::string DumpTabStops() const;
    void SetTabStops(bool on) override;
    std::string SerialiseState(std::int32_t form) const;
    void DeserialiseState(const std::string& state);
    // Reads the state string over the current AppData, stores its point outcomes and
    // runs it: one entry of a batch run.
    std::optional<BatchResult> RunBatchSimulation(const std::string& state);
    void StartBatch();
    void EndBatch();
    Variant GetAppDataDefaults() const;

    // ---- MainFormHost ---------------------------------------------------------------
    std::int32_t BackColor() const override;
    void SetHideManagementCostsChecked(bool checked) override;

    // ---- start-up, shut-down, timers ---------------------------------------------------
    void FormActivate();
    void InitialiseMainWindow();
    // False when the close must not go ahead (the batch window refused to close).
    bool FormQueryUnload();
    void TimerTick(int index);
    void StopUpdateTimers();
    void StartUpdateTimer();

    // ---- layout ---------------------------------------------------------------------
    void FormResize();
    void ArrangeWidths();
    void ArrangeHeights();
    void FitChainToContainer();
    void FitUncertaintyElements();
    void ApplyCostsVisibility();
    void TabMainClick(int previousTab);
    void TabAbsoluteClick(int previousTab);
    // Layouts run so far (tests count them).
    int LayoutCount() const { return layoutCount_; }

    // ---- tab order ------------------------------------------------------------------
    void SetPageTabOrder(int page);

    // ---- the assessment in the window ----------------------------------------------------
    void ApplyAppDataToControls();
    // ApplyAppDataToControls that never stops its caller: a fill that fails part way
    // says so in one message, naming the value it could not show where one is at
    // fault. False when the fill failed.
    bool ShowAssessment();
    // Names the first distribution code of the data that names no distribution, in one
    // message; nothing when there is none.
    void SayDistributionFaults();
    void SyncChainToAppData();
    void ApplyCategoryDataSwitch(int item);
    void ShowUncertaintyMode();
    void UncertaintyElementsDataChanged(int id);
    void CommitChainEdit();

    // ---- inputs page ----------------------------------------------------------------
    void TextBoxChange(int index);
    void TextBoxGotFocus(int index);
    void TextBoxValidate(int index);
    void ConfidenceClick();

    // ---- relative-uncertainty page ----------------------------------------------------
    void OnLevelSliderChanged(int index);
    void LevelLabelChange(int index);
    void SetRelUncLabels();
    std::int32_t GetNumRelUncLevels() const;
    void NumLevelsChange();
    void BuildRelativeUncertaintyGrid();
    void SyncAppDataToCheckGrid();
    void CheckboxArrayValidate(int row, int col);
    void UpdateCheckGridRows(int item);
    // Row captions from the values of `data` (items 47..59) or, when it is no array,
    // from the chain's point values.
    void BuildCheckboxCaptions(const Variant& data = Variant());
    void CopyRelativeToAbsolute();

    // ---- menus and edit commands --------------------------------------------------------
    void OptionsMenuOpening();
    void FileMenuClick(int index);
    void EditMenuClick(int index);
    void OptionsMenuClick(int index);
    void HelpMenuClick(int index);
    void UpdateEditMenu();
    void DoEditCommand(int index);
    void SetHelpContext();
    void OpenBatchWindow();
    void ManageOptions();
    // What the window does after the options dialog changed something; raises when a
    // step fails.
    void ApplyOptionsChange(const Variant& dataBefore, std::int32_t oldDecimals);

    // ---- file commands ----------------------------------------------------------------
    void FileNew();
    void FileOpen();
    void FileSave(bool asNew);

    // ---- state shared by the pages, timers and commands ---------------------------------
    double TabHeight = 0.0, TabWidth = 0.0;
    double FrameWidth = 0.0, FrameHeight = 0.0;
    double CaptionHeight = 0.0, MenuHeight = 0.0;
    std::array<double, 4> ChainSize{};
    bool ShowCosts = true;
    bool SuppressDataChanged = false;
    std::string StateFileName;
    QPointer<QObject> LastActiveControl;
    std::unique_ptr<BatchFormPort> BatchForm;
    int HelpContext = 0;

    // The owned parts.
    ChainPort& Chain() { return *chain_; }
    UncertaintyPort& UncertaintyElements() { return *uncertainty_; }
    ResultsPort& Results() { return *results_; }
    CBoxArray* CheckboxArray() { return checkboxArray_.get(); }

    // ---- design-time controls ------------------------------------------------------------
    TabControl* tabMain = nullptr;
    std::array<QtPictureBox*, 3> picContainer{};
    std::array<TextBox*, 3> txtTextBox{};
    std::array<Label*, 3> labTextLabel{};
    QtPictureBox* picChainContainer = nullptr;
    TextBox* txtChainEditBox = nullptr;
    std::array<OptionButton*, 2> optUncertain{};
    std::array<QtPictureBox*, 2> picUncertainContainer{};
    std::array<ScrollBar*, 5> vscRelUnc{};
    std::array<Label*, 5> labRelUnc{};
    Label* labRelSliders = nullptr;
    std::array<CommandButton*, 4> cmdButton{};
    Label* labRelNum = nullptr;
    Frame* fraNumLevels = nullptr;
    UpDown* updNumLevels = nullptr;
    Label* labNumLevels = nullptr;
    TabControl* tabAbsolute = nullptr;
    std::array<QtPictureBox*, 2> picAbsoluteContainer{};
    std::array<MultiLineTextBox*, 2> txtMonte{};
    std::array<Label*, 2> labMonte{};
    Label* labConfidence = nullptr;
    ComboBox* cboConfidence = nullptr;
    TabControl* tabSimulationGraphs = nullptr;
    std::array<QtPictureBox*, 6> picMonte{};
    // 0..5 the plot captions, 10 the data-changed banner.
    std::array<Label*, 11> labPicMonte{};
    QtPictureBox* picShowSensMeasures = nullptr;
    FlexGrid* flxShowSensMeasures = nullptr;
    QtPictureBox* picHidden = nullptr;
    std::array<Timer*, 3> tmrUpdate{};
    std::array<MenuItem*, 5> mnuMain{};
    std::array<MenuItem*, 10> mnuFile{};
    std::array<MenuItem*, 3> mnuEdit{};
    std::array<MenuItem*, 7> mnuOptions{};
    std::array<MenuItem*, 2> mnuHelp{};
    std::array<MenuItem*, 3> mnuSensPlot{};

Q_SIGNALS:
    // A close from now on writes back the settings the start-up has read: raised once
    // it has read them, or when it fails before.
    void ReadyToClose();
    // The shut-down has run: the program ends.
    void Closed();

protected:
    void showEvent(QShowEvent* e) override;
    bool focusNextPrevChild(bool next) override;

private:
    // The one-time start-up of FormActivate.
    void StartUp();
    void BuildDesign();
    template <std::size_t N>
    void AddTabPages(TabControl* tab, const char* name, std::array<QtPictureBox*, N>& pages, double left, double top,
                     double width, double height);
    void BuildMenus();
    void ConnectEvents();
    void ConnectGrid();
    void ClearResults(bool all);
    void RenderEditors();

    MainWindowParts parts_;
    std::string documentFolder_;
    std::unique_ptr<ChainPort> chain_;
    std::unique_ptr<UncertaintyPort> uncertainty_;
    std::unique_ptr<ResultsPort> results_;
    std::unique_ptr<CBoxArray> checkboxArray_;
    QTimer resizeTimer_;
    bool shuttingDown_ = false;
    // The chain's edit box lost the focus, and so may have stored an entry, since the
    // chain's values last went into the data.
    bool chainEntryPending_ = false;
    bool clipboardHasText_ = false;
    int layoutCount_ = 0;
};

}  // namespace nuvir
