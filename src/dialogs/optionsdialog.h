#pragma once
// FOptions, the modal options dialog "NUVIR Options" of Options > Manage: five pages
// ("Calculation", "Plots", "Reports", "Exports", "Appearance") over OptionsModel.
//
// Caller's order: create, set PlotType, ShowModal, read PlotType (the plot type shown
// last, whichever button closed it) and OptionsChanged (whether to redraw), release.
// OK stores every control through the model's change rule; Cancel stores nothing more.
// What the plot options dialog behind the "Plots" page's "..." button stored stays,
// and counts as a change, either way.
//
// Keys: Esc is Cancel and no button is the default, so Enter in a category cell never
// closes the dialog. Tab walks OK, Cancel, the tab bar and the current page's listed
// controls only.
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "dialogs/optionsmodel.h"
#include "dialogs/plotoptions.h"
#include "platform/form.h"

namespace nuvir {

class CFlexEditA;
class CheckBox;
class ComboBox;
class CommandButton;
class Frame;
class Label;
class Panel;
class TabControl;
class TextBox;
class UpDown;

class FOptions : public Form {
    Q_OBJECT
public:
    // The owner (the main window) stays behind the dialog while it shows.
    explicit FOptions(QWidget* owner = nullptr);
    ~FOptions() override;

    // Public variables, as the caller uses them.
    bool OptionsChanged = false;
    double PlotType = 0;

    // Colours a category grid by whether it may be edited: white or grey.
    void SetGridColours(CFlexEditA* grid);

    // The viewer-program test of the "Reports" page.
    FileExistsTest fileExists;
    // Makes the plot options dialog behind the "Plots" page (FPlotOptions by default).
    std::function<std::unique_ptr<PlotOptionsDialog>()> makePlotOptions;

    static constexpr int kHelpContext = 26;
    static constexpr Colour kEditable = 0xFFFFFF;
    static constexpr Colour kReadOnly = 0xC0C0C0;

    // The category grid editor of index 3 (impacts) or 4 (costs), once loaded.
    CFlexEditA* CategoryGrid(int index) const;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void BuildCalculationPage();
    void BuildPlotsPage();
    void BuildExportsPage();
    void BuildAppearancePage();

    void LoadOptions();
    void BuildCategoryGrid(int index, const OptionsState& s);
    void SetPageTabStops(int page);
    void ApplyOptions();
    void OnButton(int index);
    void OnQueryUnload();

    void chkOptions_Click(int index);
    void updNumCats_Change(int index);
    void CategoryValidate(int index, int row, int col, const Variant& value);
    void cboPlotTypes_Click();
    void ShowPlotTypeOptions();
    void cmdPlotOptions_Click();
    void cmdExportOptions_Click();
    void txtColours_GotFocus(int index);
    void cmdColours_Click();

    OptionsModel model_;
    std::unique_ptr<PlotOptionsDialog> plotOptions_;    // m_oPlotOptions
    std::array<std::unique_ptr<CFlexEditA>, 2> grids_;  // m_oCategoryGrids(3..4)
    std::string exportFolder_;                          // m_sExportFolder
    double colourButtonOffset_ = 0;                     // m_sngColourButtonOffset
    bool firstActivation_ = false;

    TabControl* tabMain_ = nullptr;
    std::array<Panel*, 5> picContainer_{};
    std::array<CheckBox*, 5> chkOptions_{};
    std::array<UpDown*, 2> updNumCats_{};
    std::array<Label*, 2> labNumCats_{};
    Panel* fraCategoryData_ = nullptr;
    ComboBox* cboPlotTypes_ = nullptr;
    std::array<TextBox*, 8> txtOptions_{};
    CommandButton* cmdPlotOptions_ = nullptr;
    TextBox* txtExport_ = nullptr;
    CommandButton* cmdExportOptions_ = nullptr;
    Frame* fraExport_ = nullptr;
    std::array<CheckBox*, 3> chkExport_{};
    std::array<TextBox*, 7> txtColours_{};
    CommandButton* cmdColours_ = nullptr;
    UpDown* updDecPlace_ = nullptr;
    Label* labDecPlace_ = nullptr;
    std::array<CommandButton*, 2> cmdButton_{};
};

}  // namespace nuvir
