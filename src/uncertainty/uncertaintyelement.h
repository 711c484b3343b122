#pragma once
// CUncertaintyElement: the editor of one quantity's uncertainty, drawn as nine
// controls that it adds to the form of its host picture box: "Distribution:" over the
// distribution list, "Mean:" over the read-only mean box, the spread caption over the
// spread box, a slider beside the two boxes, and to the right the summary label over
// a small density plot (or, for a categorical impact or cost, its category table).
//
// The rules live in `UncertaintyModel`; this class shows the model and forwards the
// controls' events to it. The controls are found again by their names (base name and
// the first free number on the form), so several elements share one form.
//
// DataChanged(ID) is raised when the analyst moves the slider, types a valid spread
// or picks another distribution, and when code changes the distribution of an element
// that has been rendered. Property sets never raise it otherwise.
#include <QFont>
#include <QObject>
#include <QPalette>
#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/form.h"
#include "platform/qtpicturebox.h"
#include "runtime/variant.h"
#include "uncertainty/uncertaintymodel.h"

namespace nuvir {

class CFlexEditA;
class ComboBox;
class Label;
class ScrollBar;
class TextBox;

// The face the design's "MS Sans Serif" stands for: the platform's sans-serif face.
QFont SansSerif(double points);

class CUncertaintyElement : public QObject {
    Q_OBJECT
public:
    CUncertaintyElement();
    ~CUncertaintyElement() override;

    // The picture box the controls go into; nullptr hides and removes them.
    QtPictureBox* Host() const { return m_oHost; }
    void SetHost(QtPictureBox* host);

    std::int32_t ID() const { return m_model.ID(); }
    void SetID(std::int32_t id) { m_model.SetID(id); }
    double Value() const { return m_model.Value(); }
    void SetValue(double mean);
    double SD() const { return m_model.SD(); }
    void SetSD(double sd);
    double Percent() const { return m_model.Percent(); }
    void SetPercent(double percent);
    int Distribution() const { return m_model.Distribution(); }
    bool DistributionValid() const { return m_model.DistributionValid(); }
    void SetDistribution(int code);
    // A stored code that names no distribution: shown in the combo box, which takes the
    // "Error" colour, until a distribution is picked there.
    void SetInvalidDistribution(double code);

    // The element's rectangle in the host, twips, clamped into the host.
    double Top() const { return m_dTop; }
    void SetTop(double v);
    double Left() const { return m_dLeft; }
    void SetLeft(double v);
    double Height() const { return m_dHeight; }
    void SetHeight(double v);
    double Width() const { return m_dWidth; }
    void SetWidth(double v);
    bool Visible() const { return m_bVisible; }
    void SetVisible(bool on);

    // Lays out and fills the controls and draws the plot.
    void Render();
    // While set, a change of the spread text does not redraw, and nothing is redrawn
    // on behalf of a value being loaded (the loader renders once at the end).
    bool SuppressRendering() const { return m_bSuppressRendering; }
    void SetSuppressRendering(bool on) { m_bSuppressRendering = on; }
    // The category table of a categorical impact or cost; refused otherwise.
    Variant CategoryData() const { return m_vCategoryData; }
    void SetCategoryData(const Variant& table);

    // ---- for the set, the window and tests ----------------------------------------
    // The control of index 0..8 (see the names), or nullptr.
    Control* ControlAt(int index) const;
    const std::string& ControlName(int index) const { return m_asControlNames[static_cast<std::size_t>(index)]; }
    // Counts the plot drawings.
    int PlotDrawings() const { return m_nPlotDrawings; }

Q_SIGNALS:
    void DataChanged(int id);

private:
    void CreateControls();
    void RemoveControls();
    void ShowControls();
    void SetControlValue(int index, double value = 0.0, double v1 = 0.0, double v2 = 0.0);
    // The spread box's text, "%" added in percent mode; its Change handler reads it back.
    void WriteSpreadText(const std::string& text);
    void RefreshPlot();
    void DrawPlot();
    void DrawCategoryView();
    void ReleaseCategoryGrid();
    bool CategoricalForKind() const;
    // A coordinate or size of the rectangle, kept within the host while there is one.
    double ClampToHost(double v, bool vertical) const;
    std::string SpreadText() const;
    void RaiseDataChanged();

    void m_oElemCboDt_Click();
    void m_oElemSlider_Change();
    void m_oElemTxtCv_Change();
    void m_oHostForm_KeyPress(int& keyAscii);

    UncertaintyModel m_model;
    QPointer<QtPictureBox> m_oHost;
    QPointer<Form> m_oHostForm;
    double m_dTop = 0, m_dLeft = 0, m_dHeight = 0, m_dWidth = 0;
    bool m_bVisible = true;
    std::array<std::string, 9> m_asControlNames;
    // The controls found by those names when they were made; gone when deleted.
    std::array<QPointer<QObject>, 9> m_controlObjects;
    std::array<Control*, 9> m_controls{};
    bool m_bCategorical = false;
    std::unique_ptr<CFlexEditA> m_oCategoryGrid;
    Variant m_vCategoryData;
    bool m_bRendered = false;
    bool m_bSpreadEditing = false;
    bool m_bSliderEventsOff = false;
    bool m_bSuppressRendering = false;
    bool m_bComboFilled = false;
    // The combo box's colours from before it was marked invalid.
    struct ComboLook {
        QPalette palette;
        Colour back = 0;
    };
    std::optional<ComboLook> m_comboLook;
    int m_nPlotDrawings = 0;
    std::array<QMetaObject::Connection, 7> m_connections;
};

}  // namespace nuvir
