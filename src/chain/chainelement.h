#pragma once
// CChainElement: one stage of the risk chain (arrive, survive, establish, spread).
//
// A stage holds five primary values (0 p, 1 q, 2 I5 - used by the last stage only,
// 3 I, 4 F) and computes from them and the p of the earlier stages its share of the
// biological risk and of the management cost. Stages are linked by PrevElement and
// NextElement; a change on stage k recalculates stages k..4 in that order (each
// CalculateRisks ends with the next stage's DoUpdates) and redraws once the last of
// them is recalculated: in a chain the whole diagram afresh, so that a new drawing
// never lands on the old one (smoothed text piling up, a shorter label leaving part of
// a wider one). Running totals are recomputed on every read, never cached.
//
// The same object draws itself on the chain's picture box (geometry, shapes, labels)
// and edits its values in place through a text box shared by all four stages; the
// last stage announces new totals with TotalRiskChanged. Without a picture or edit box
// (tests, the batch run) a stage only computes.
//
// Values are doubles; geometry is in singles, as the diagram's arithmetic is.
#include <QObject>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "chain/categorydata.h"
#include "runtime/variant.h"

namespace nuvir {

class PictureBox;
class TextBox;
class Control;

class CChainElement : public QObject {
    Q_OBJECT
public:
    // Indices of the primary values.
    static constexpr int kP = 0;
    static constexpr int kQ = 1;
    static constexpr int kI5 = 2;
    static constexpr int kI = 3;
    static constexpr int kF = 4;
    // Part numbers of the drawing.
    static constexpr int kPartF = 0;
    static constexpr int kPartP = 1;
    static constexpr int kPartQ = 2;
    static constexpr int kPartI5 = 3;
    static constexpr int kPartI = 4;
    static constexpr int kPartR5 = 5;
    static constexpr int kPartR = 6;
    static constexpr int kPartDiamond = 7;
    static constexpr int kParts = 8;

    using Values = std::array<double, 5>;
    using Box = std::array<float, 4>;

    CChainElement();
    ~CChainElement() override;

    // ---- links, identity -------------------------------------------------------------
    PictureBox* Host() const { return pic_; }
    // Subscribes the stage to the picture's mouse-down when it is a control.
    void SetHost(PictureBox* pic);
    TextBox* EditBox() const { return textBox_; }
    // Subscribes the stage to the box's key-down, key-press, double-click and validate.
    void SetEditBox(TextBox* box);
    CChainElement* PrevElement() const { return prev_; }
    // Stores the link and recalculates this stage.
    void SetPrevElement(CChainElement* prev);
    CChainElement* NextElement() const { return next_; }
    // Stores the link and zeroes Risks(0) at once, without recalculating.
    void SetNextElement(CChainElement* next);
    std::int16_t Index() const { return index_; }
    // Set once: ignored while the stored index is 0 or more.
    void SetIndex(std::int16_t index);
    const std::string& ID() const { return id_; }
    // Set once: ignored while the stored ID is not empty.
    void SetID(const std::string& id);

    // ---- arithmetic -------------------------------------------------------------------
    // A copy of (p, q, I5, I, F).
    Values PrimaryData() const { return primary_; }
    // p and q each clamped into 0..1 by itself (q is not derived from p); I5, I and F
    // as given; then CalculateRisks.
    void SetPrimaryData(const Values& values);
    // (risk of the completed invasion - last stage only, risk of stopping here).
    std::array<double, 2> Risks() const { return risks_; }
    double Cost() const { return cost_; }
    // Product of the earlier stages' p, times this p unless excluded.
    double CumulativeP(bool exclude) const;
    // Risks, Cost, then the next stage's DoUpdates(true).
    void CalculateRisks();
    // Running totals up to this stage (the last stage's are RB and CT).
    double TotalRisk() const;
    double TotalCost() const;
    // Commits a pending valid edit of this stage (closing the box when asked), then
    // recalculates and redraws: through the redraw handler when one is set, else at the
    // last origin. Without an edit box there is no pending edit.
    void DoUpdates(bool closeEditBox = true);
    // What redraws after a change: the chain's full redraw (clearing the picture).
    void SetRedrawHandler(std::function<void()> redraw) { redraw_ = std::move(redraw); }

    // ---- category tables (impact I5 at 2, I at 3, cost F at 4) --------------------------
    // Resets and loads the table while its kind's categorical switch is on; the value is
    // the reset value when numeric, else 1 (impact) or 0 (cost).
    void SetCategoryData(int index, const Variant& value, const Variant& table);
    // Keeps the table's probabilities, takes the master values (item 78 or 79) and
    // makes the table's expected value the primary value.
    void SetCategoryDataRestrictive(int index);
    // The table, or Empty.
    Variant GetCategoryData(int index) const;
    // Keeps the table when its expected value is the primary value's text, else resets
    // it to the primary value.
    void CheckCategoryData(int index);
    CCategoryData* CategoryTable(int index) const;
    // Whether the part's value is edited through its table now.
    bool IsCategorical(int part) const;
    // The dialog the category tables are edited in; null for the program's own.
    void SetTableEditor(ITableEditor* editor) { tableEditor_ = editor; }

    // ---- geometry and drawing -------------------------------------------------------------
    double ScaleFactor() const { return scaleFactor_; }
    // Stores the factor and rebuilds the scaled shape.
    void SetScaleFactor(double factor);
    float ConnectX() const { return connectX_; }
    float ConnectY() const { return connectY_; }
    float OvalLeft() const { return ovalLeft_; }
    void SetOvalLeft(float x) { ovalLeft_ = x; }
    // (min x, min y, max x, max y) of the parts drawn last.
    Box BoundingBox() const { return boundingBox_; }
    // Hit box of a part: (min x, max y, max x, min y).
    Box PartBox(int part) const;
    // Whether the last Render drew the part.
    bool PartDrawn(int part) const;
    float ScaledShape(int row, int col) const { return scaled_[row][col]; }
    // Line width in pixels of a template row: never below 1.
    int LineWidth(int row) const;
    // The extent (min x, max y, max x, min y) of the figure at (x, y), without drawing;
    // sets the connect point (with a next stage) and OvalLeft.
    Box Measure(float x, float y);
    // Draws the stage with its diamond's left tip at (x, y).
    void Render(float x, float y);
    float OriginX() const { return originX_; }
    float OriginY() const { return originY_; }

    // ---- in-place editing -----------------------------------------------------------------
    // Opens the shared edit box on a part 0..4; any other number only clears the
    // selection.
    void DisplayTextBox(int part);
    // The part under a point, or -1.
    int HitTestPart(float x, float y) const;
    // Clears the selection without touching the box (a move to another stage).
    void ClearSelection() { selectedPart_ = -1; }

Q_SIGNALS:
    // Raised by the last stage at the end of each Render, with its totals.
    void TotalRiskChanged(double& totalRisk, double& totalCost);

private:
    void InitialiseElement();
    bool IsValidEntry(double& value) const;
    void SetPrimaryValue(double value);
    bool OwnsPendingEdit() const;

    void InitShapeTemplate();
    void ApplyScale();
    void UpdatePartBox(int part, float x1, float y1, float x2, float y2);
    void DrawLabels();
    void PrintInBox(int part, std::string text);
    void PrintSplitLabel(int part, const std::string& label, double value, bool italic);

    void PositionEditBox(const std::string& text);
    void HideEditBox();
    void OnMouseDown(int button, int shift, double x, double y);
    void OnDblClick();
    void OnKeyDown(int& keyCode, int shift);
    void OnKeyPress(int& keyAscii);
    void OnValidate(bool& cancel);

    Values primary_{0.5, 0.5, 1, 1, 0};
    std::array<double, 2> risks_{0, 0};
    double cost_ = 0;
    double eventTotalRisk_ = 0;
    double eventTotalCost_ = 0;
    static constexpr std::array<int, 5> kPartMap{kF, kP, kQ, kI5, kI};
    Box boundingBox_{0, 0, 0, 0};
    float template_[16][2] = {};
    float scaled_[16][2] = {};
    double scaleFactor_ = 1;
    CChainElement* prev_ = nullptr;
    CChainElement* next_ = nullptr;
    std::int16_t index_ = -1;
    std::string id_;
    float originX_ = 0, originY_ = 0;
    std::function<void()> redraw_;
    float connectX_ = 0, connectY_ = 0;
    std::array<Box, kParts> partBoxes_{};
    std::array<bool, kParts> partDrawn_{};
    std::int16_t selectedPart_ = -1;
    float ovalLeft_ = 0;
    std::array<std::unique_ptr<CCategoryData>, 5> categoryTables_;
    PictureBox* pic_ = nullptr;
    TextBox* textBox_ = nullptr;
    ITableEditor* tableEditor_ = nullptr;
    QMetaObject::Connection mouseDown_;
    std::array<QMetaObject::Connection, 4> boxEvents_;
};

}  // namespace nuvir
