#pragma once
// CChain: the risk chain as a whole, four linked stages ("Arrives", "Survives",
// "Establishes", "Spreads") and the only way the rest of the program reaches them.
//
// The main window creates one chain at start-up, sets Host (the chain's picture box)
// and EditBox (the text box shared by the stages), calls Measure once, then SetData
// and Render to show an assessment; every 500 ms it copies GetData's 22 values into
// application data items 47 to 68. Render clears the picture, turns its y axis up once,
// draws the stages side by side and, from the last stage's TotalRiskChanged, the total
// risk and total cost ovals. Without a host the chain only computes.
//
// Tab and Shift+Tab walk the edit box through the parts of all four stages; the chain
// sees them through the host form's key preview.
#include <QObject>

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "chain/chainelement.h"
#include "runtime/variant.h"

namespace nuvir {

class Form;
class PictureBox;
class TextBox;

// What the chain needs of the form that hosts it: turning the tab stops of the form's
// controls off while the edit box has the focus, so Tab reaches the chain.
class ITabStopHost {
public:
    virtual ~ITabStopHost() = default;
    virtual void SetTabStops(bool on) = 0;
};

class CChain : public QObject {
    Q_OBJECT
public:
    static constexpr int kStages = 4;

    CChain();
    ~CChain() override;

    PictureBox* Host() const { return pic_; }
    // Also takes the picture's form (when it is a control on one) as the host form and
    // turns on its key preview; a host form that can turn its tab stops off is asked to
    // whenever the edit box gets the focus.
    void SetHost(PictureBox* pic);
    TextBox* EditBox() const { return textBox_; }
    void SetEditBox(TextBox* box);
    double ScaleFactor() const { return scaleFactor_; }
    void SetScaleFactor(double factor) { scaleFactor_ = factor; }
    // The dialog the category tables are edited in; null for the program's own.
    void SetTableEditor(ITableEditor* editor);

    // Clears the picture and draws the chain and its totals.
    void Render();
    // The extent (min x, max y, max x, min y) of the whole chain at scale 1, without
    // drawing; fixes the first stage's distance from the top and the common column of
    // the risk ovals. Called once, before the first Render.
    CChainElement::Box Measure();

    // Loads the stages from an application data array: p (clamped, q = 1 - p), I, I5
    // (stage 4 only), F, then the category tables; with item 41 of the program's data
    // the tables are conformed to the master tables. A number item that does not read
    // counts as 0. Draws nothing.
    void SetData(const Variant& appData);
    // A Double array (47 To 68): p1..p4, I1..I5, F1..F4, R1..R4, R5, the expected costs
    // of stages 1 to 4. Side effect: writes the stages' category tables (or Empty) into
    // items 69 to 77 of the program-wide AppData.
    Variant GetData();

    // The stage of that ID (without regard to case), or nullptr.
    CChainElement* ChainElements(std::string_view id) const;
    // Stage 1 to 4, or nullptr.
    CChainElement* Element(int index) const;

    // How far below the picture's top the drawing reaches at scale 1, the totals under
    // the last stage included; set by Measure.
    float DrawingDepth() const { return drawingDepth_; }

private:
    void CreateElements();
    void OnTotalRiskChanged(double& totalRisk, double& totalCost);
    void DrawTotals(double totalRisk, double totalCost);
    void MoveEditPart(bool backward, const std::string& tag);
    void OnHostFormKeyPress(int& keyAscii);
    void OnEditBoxGotFocus();

    std::array<std::unique_ptr<CChainElement>, kStages> elements_;
    CChainElement::Box chainBox_{0, 0, 0, 0};
    float topOffset_ = 0;  // where the first stage is drawn: its distance below the top at scale 1
    float drawingDepth_ = 0;
    double scaleFactor_ = 1;
    Form* hostForm_ = nullptr;
    PictureBox* pic_ = nullptr;
    TextBox* textBox_ = nullptr;
    ITabStopHost* tabStopHost_ = nullptr;  // the first host form's, when it has them
    QMetaObject::Connection formKeyPress_;
    QMetaObject::Connection boxGotFocus_;
};

}  // namespace nuvir
