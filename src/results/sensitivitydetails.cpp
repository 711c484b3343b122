// The sensitivity details of the results page: the two text tables of the last run's
// sensitivity measures, the panel that shows one of them above its plot with the
// significant rank correlations starred, its popup menu, row marks and copying.
#include <QImage>

#include <algorithm>
#include <cmath>

#include "appdata/appdata.h"
#include "numerics/numerics.h"
#include "platform/controls.h"
#include "platform/flexgrid.h"
#include "platform/form.h"
#include "platform/popupmenu.h"
#include "platform/qtpicturebox.h"
#include "platform/qtstring.h"
#include "platform/screen.h"
#include "platform/windowutilities.h"
#include "results/resultplots.h"
#include "results/resultscontroller.h"
#include "runtime/convert.h"
#include "runtime/patternformats.h"

namespace nuvir {

namespace {

constexpr Colour kGridBack = 0xC0FFFF;
constexpr Colour kMarkGreen = 0xFF00;
// Between the details panel and the plot it explains, in twips.
constexpr double kPanelGap = 60;
// A cell's text stands 2 px inside it on each side, the grid line takes one more, and a
// pixel to spare.
constexpr int kCellPaddingPx = 2 + 2 + 1 + 1;

// The measure and name columns as narrow as their texts allow (never wider than
// designed): the narrower panel hides less of the histogram it stands over.
void FitColumnsToValues(FlexGrid& grid) {
    QFont bold = grid.Font();
    bold.setBold(true);
    const QFontMetrics plain(grid.Font()), heading(bold);
    for (int c = 1; c <= grid.Cols() - 2; ++c) {
        int widest = 0;
        for (int r = 0; r < grid.Rows(); ++r) {
            QString text = QtText(grid.TextMatrix(r, c));
            // Right-aligned, a value's leading blanks stand left of the cell unseen.
            const bool right = grid.TextAlignment(c, grid.TextMatrix(r, c)) / 3 == 2;
            while (right && text.startsWith(QLatin1Char(' '))) text.remove(0, 1);
            widest = std::max(widest, (r == 4 ? heading : plain).horizontalAdvance(text));
        }
        const int fitted = static_cast<int>(std::ceil(PxToTwipsX(widest + kCellPaddingPx)));
        grid.SetColWidth(c, std::min(grid.ColWidth(c), fitted));
    }
}

// How far from its left edge a plot's picture is blank (its border included), in
// pixels: the room left of its scale.
double BlankLeftPx(QtPictureBox& plot) {
    const QImage image = plot.Image();
    const QRgb back = ColourToQColor(plot.BackColor()).rgb() | 0xFF000000u;
    const auto inked = [&](int x) {
        for (int y = 0; y < image.height(); ++y)
            if ((image.pixel(x, y) | 0xFF000000u) != back) return true;
        return false;
    };
    int x = 0;
    while (x < image.width() && !inked(x)) ++x;
    return (plot.width() - plot.ClientWidthPx()) / 2.0 + x / image.devicePixelRatio();
}

std::string R2Cell(const Variant& pair, int k) {
    if (pair.dims() != 1 || k + pair.lbound() > pair.ubound()) return "  .";
    const Variant& v = pair(pair.lbound() + k);
    if (v.isEmpty()) return "  .";
    return FormatFixed(CDbl(v), 3);
}

std::string MeasureCell(const Variant& measure, int input, int k) {
    std::string text = "    . ";
    if (measure.dims() == 2) {
        const double v = CDbl(measure(input, k));
        if (v != NumericLimits::LowestDouble) text = FormatNoLeadingZero(v, 3);
    }
    return std::string(6 - std::min<std::size_t>(text.size(), 6), ' ') + text;
}

}  // namespace

void ResultsController::BuildSensitivitySummary(const Variant& r2, const Variant& sensitivities) {
    state_.SensitivitySummary.reset();
    if (!r2.isArray() || !sensitivities.isArray()) return;
    const Variant& snap = state_.RunSnapshot;
    const bool constant = snap.isArray() && CBool(snap(item::kRegUseConstant));
    const bool twoTails = LiveRhoTwoTails();
    static const char* const kRiskNames[9] = {"p1", "p2", "p3", "p4", "I1", "I2", "I3", "I4", "I5"};
    static const char* const kCostNames[8] = {"p1 ", "p2 ", "p3 ", "p4 ", "FC1", "FC2", "FC3", "FC4"};
    std::array<SensitivityTableText, 2> tables;
    for (int k = 0; k < 2; ++k) {
        std::vector<int> inputs{0, 1, 2, 3};
        if (k == 0) {
            for (int j = 4; j <= 8; ++j) inputs.push_back(j);
        } else {
            for (int j = 9; j <= 12; ++j) inputs.push_back(j);
        }
        SensitivityTableText& t = tables[static_cast<std::size_t>(k)];
        t.push_back({"  Raw R2=", R2Cell(r2(r2.lbound()), k), "", "", constant ? "Const=Y" : "Const=N"});
        t.push_back({"Ranks R2=", R2Cell(r2(r2.lbound() + 1), k), "", "", twoTails ? "Tails=2" : "Tails=1"});
        t.push_back({"", "", "", "", ""});
        t.push_back({k == 0 ? "  " : "   ", "  SPEA", "  PEAR", "   SRC", "  SRRC"});
        for (std::size_t n = 0; n < inputs.size(); ++n) {
            std::array<std::string, 5> row;
            row[0] = k == 0 ? kRiskNames[n] : kCostNames[n];
            for (int m = 0; m < 4; ++m) {
                row[static_cast<std::size_t>(m + 1)] =
                    MeasureCell(sensitivities(sensitivities.lbound() + m), inputs[n], k);
            }
            t.push_back(row);
        }
    }
    state_.SensitivitySummary = std::move(tables);
}

void ResultsController::ShowSensitivityMeasures(int page) {
    if (!state_.SensitivitySummary || (page != 0 && page != 1)) return;
    SensitivityTableText t = (*state_.SensitivitySummary)[static_cast<std::size_t>(page)];
    const Variant crit = RunCriticalCorrelation(state_, LiveRhoTwoTails());
    if (!crit.isEmpty()) {
        const double c = CDbl(crit);
        for (std::size_t r = 4; r < t.size(); ++r) t[r][1] += std::fabs(Val(t[r][1])) > c ? "*" : " ";
    }
    std::string clip;
    for (std::size_t r = 0; r < t.size(); ++r) {
        if (r > 0) clip += '\r';
        for (std::size_t c = 0; c < 5; ++c) {
            if (c > 0) clip += '\t';
            clip += t[r][c];
        }
    }

    FlexGrid& grid = *page_.flxShowSensMeasures;
    const int rows = static_cast<int>(t.size()) + 2;
    grid.SetRedraw(false);
    // The table's sizes are fixed in twips: a small font keeps its texts inside them,
    // and the panel, not the grid, decides what shows.
    QFont font = grid.Font();
    if (font.pointSizeF() > 7.0) {
        font.setPointSizeF(7.0);
        grid.SetFont(font);
    }
    grid.SetScrollBars(0);
    grid.Clear();
    grid.SetBackColor(kGridBack);
    grid.SetRows(rows);
    grid.SetCols(7);
    grid.SetRow(1);
    grid.SetCol(1);
    grid.SetRowSel(rows - 2);
    grid.SetColSel(5);
    grid.SetClip(clip);
    grid.SetRow(4);
    for (int c = 2; c <= grid.Cols() - 2; ++c) {
        grid.SetCol(c);
        grid.SetCellFontBold(true);
    }
    grid.SetRow(0);
    grid.SetCol(0);
    grid.SetRowSel(0);
    grid.SetColSel(0);
    grid.SetColWidth(-1, 700);
    grid.SetColWidth(0, 150);
    grid.SetColWidth(1, 900);
    grid.SetColWidth(grid.Cols() - 1, 80);
    grid.SetColAlignment(-1, 8);
    grid.SetRowHeight(-1, 200);
    grid.SetRowHeight(0, 80);
    grid.SetRowHeight(3, 100);
    grid.SetRowHeight(4, 300);
    FitColumnsToValues(grid);
    // The grid shows every row but the last, empty one whole, and the panel holds the
    // grid: the rows' heights are rounded to pixels one by one, so sizes summed in
    // twips may cut the last table row, and the panel's border takes pixels of its own.
    QtPictureBox& panel = *page_.picShowSensMeasures;
    const QSize cells = grid.CellsExtentPx(rows - 1, grid.Cols());
    const int gridW = cells.width() + 2 * grid.FrameWidthPx();
    const int gridH = cells.height() + 2 * grid.FrameWidthPx();
    grid.Move(0, 0, PxToTwipsX(gridW), PxToTwipsY(gridH));
    const double panelWidth = PxToTwipsX(gridW + panel.width() - panel.ClientWidthPx());
    const double panelHeight = PxToTwipsY(gridH + panel.height() - panel.ClientHeightPx());
    grid.SetRedraw(true);

    // Beside its plot, on the plots' own sub-tab: left of the sensitivity plot, so its
    // bars stay in sight for the row marks, and never over the commands or the result
    // lines above the sub-tabs. The plot's place is relative to the window; the panel
    // sits in its own container.
    const std::size_t index = page == 0 ? 1 : 3;
    const auto r = MUtilities::GetControlScreenRect(*page_.picMonte[index], true);
    double offsetX = 0.0, offsetY = 0.0, roomW = 0.0, roomH = 0.0;
    Control* holder = panel.Container();
    if (holder != nullptr && !holder->IsForm()) {
        const auto h = MUtilities::GetControlScreenRect(*holder, true);
        offsetX = h[0];
        offsetY = h[1];
        roomW = holder->Width();
        roomH = holder->Height();
    } else if (auto* form = dynamic_cast<Form*>(holder)) {
        roomW = form->ScaleWidth();
        roomH = form->ScaleHeight();
    }
    double highest = r[1] - offsetY;
    if (Label* caption = page_.labPicMonte[index])
        highest = MUtilities::GetControlScreenRect(*caption, true)[1] - offsetY;
    double left = r[0] - offsetX - kPanelGap - panelWidth;
    // The plot's picture is blank left of its scale: the panel may reach into that
    // margin, which at small sizes keeps more of the histogram, scale included, in view.
    if (QtPictureBox* plot = page_.picMonte[index]) {
        const double blankPx = BlankLeftPx(*plot) - 1;
        if (blankPx > 0) left += PxToTwipsX(blankPx) + kPanelGap;
    }
    left = std::max(0.0, std::min(left, roomW - panelWidth));
    double top = r[1] - offsetY;
    // Below the histogram's title line: the chart keeps two lines above its frame for
    // the Y title, which stays in view like the scale left of the frame.
    if (QtPictureBox* histogram = page_.picMonte[page == 0 ? 0 : 2]) {
        const auto h = MUtilities::GetControlScreenRect(*histogram, true);
        const double border = (histogram->height() - histogram->ClientHeightPx()) / 2.0;
        const double titlePx = 2 * histogram->MeasureTextPx("E", histogram->Font()).height();
        top = std::max(top, h[1] - offsetY + PxToTwipsY(border + titlePx + 2));
    }
    if (top + panelHeight > roomH) top = std::max(highest, roomH - panelHeight);
    panel.Move(left, top, panelWidth, panelHeight);
    panel.SetVisible(true);
    panel.ZOrder(0);
}

bool ResultsController::SensitivityPanelVisible() const {
    return page_.picShowSensMeasures != nullptr && page_.picShowSensMeasures->Visible();
}

int ResultsController::ShownResultTab() const {
    return page_.tabSimulationGraphs != nullptr ? page_.tabSimulationGraphs->Tab() : 0;
}

void ResultsController::RefreshSensitivityDetails() {
    QtPictureBox* panel = page_.picShowSensMeasures;
    if (panel == nullptr) return;
    // Without a summary the panel would go on showing the table of an earlier run
    // next to cleared plots.
    if (host_.ShownMainPage() != ResultsHost::kMonteCarloPage || !state_.SensitivitySummary) {
        panel->SetVisible(false);
        return;
    }
    if (panel->Visible()) ShowSensitivityMeasures(ShownResultTab());
}

void ResultsController::ToggleSensitivityDetails(int index, float x, float y) {
    state_.SensPopupSource = {x, y, static_cast<float>(index)};
    if (index != 1 && index != 3) return;
    MenuItem* show = page_.mnuSensPlot[0];
    show->SetEnabled(state_.SensitivitySummary.has_value());
    const bool visible = SensitivityPanelVisible();
    show->SetCaption(visible ? "Hide Details" : "Show Details");
    show->SetTag(visible ? "False" : "True");
    page_.mnuSensPlot[1]->SetVisible(visible);
    page_.mnuSensPlot[2]->SetVisible(visible);
    PopupMenu(*page_.mnuSensPlotPopup);
}

void ResultsController::picMonte_MouseUp(int index, int button, int /*shift*/, double x, double y) {
    if (index != 1 && index != 3) return;
    if (button != 2) return;
    // Before a plot was drawn the picture has no user scale and nothing to explain.
    if (page_.picMonte[static_cast<std::size_t>(index)]->ScaleMode() != scale::User) return;
    ToggleSensitivityDetails(index, static_cast<float>(x), static_cast<float>(y));
}

void ResultsController::DoSensPlotCommand(int index) {
    if (index == 0) {
        if (!state_.SensitivitySummary || !CBool(Variant(page_.mnuSensPlot[0]->Tag()))) {
            page_.picShowSensMeasures->SetVisible(false);
        } else {
            ShowSensitivityMeasures(state_.SensPopupSource[2] == 1.0f ? 0 : 1);
        }
    } else if (index == 2) {
        if (SensitivityPanelVisible()) CopySensitivityTable();
    }
}

void ResultsController::MarkSensitivityRow(int row) {
    if (!SensitivityPanelVisible()) return;
    FlexGrid& grid = *page_.flxShowSensMeasures;
    const Colour back = grid.BackColor();
    grid.SetCol(0);
    for (int r = 0; r < grid.Rows(); ++r) {
        grid.SetRow(r);
        grid.SetTextMatrix(r, 0, "");
        grid.SetCellBackColor(back);
    }
    const int target = row + 5;
    if (target >= 5 && target <= grid.Rows() - 2) {
        grid.SetRow(target);
        grid.SetTextMatrix(target, 0, ">");
        grid.SetCellBackColor(kMarkGreen);
    }
    grid.SetRow(0);
    grid.SetCol(0);
}

void ResultsController::CopySensitivityTable() {
    FlexGrid& grid = *page_.flxShowSensMeasures;
    grid.SetRedraw(false);
    grid.SetRow(1);
    grid.SetCol(1);
    grid.SetRowSel(grid.Rows() - 2);
    grid.SetColSel(grid.Cols() - 2);
    std::string text;
    // Rows end in CR LF, as every text this program writes; a bare CR shows as one
    // line in most programs here.
    for (char ch : grid.Clip()) {
        if (ch == '\r') {
            text += "\r\n";
        } else {
            text += ch;
        }
    }
    MUtilities::CopyToClipboard(Variant(text), 1);
    grid.SetRow(0);
    grid.SetCol(0);
    grid.SetRowSel(0);
    grid.SetColSel(0);
    grid.SetRedraw(true);
}

void ResultsController::SensitivityGridFocus(bool gained) {
    if (page_.picShowSensMeasures != nullptr) page_.picShowSensMeasures->SetBorderStyle(gained ? 1 : 0);
}

}  // namespace nuvir
