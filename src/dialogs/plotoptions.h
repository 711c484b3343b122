#pragma once
// The axis options of one result plot: per axis the minimum, maximum, number of ticks
// and a reference line, each a number or automatic (Empty). They live in options items
// 13 to 18, one array of eight values per plot type (elements 0-3 the x axis, 4-7 the
// y axis); box i of the dialog shows element (i + 4) mod 8, so the y axis comes first.
//
// PlotAxisOptionsEditor holds the rules (the working copy, the display texts, the tick
// normalisation, the store-and-flag rule) and runs without a screen. FPlotOptions is
// the dialog over it. Editing: create, set PlotType, position, ShowModal, read
// OptionsChanged. Display only (the options dialog): set PlotType, SetPlotType,
// GetOption(0..7); an instance never shown stores nothing when it goes.
//
// Every close of a shown dialog (Esc, the close box, Unload by the caller) stores the
// eight boxes, tick counts normalised even when the focus never left their box: a tick
// count below 3 would stall the chart's tick loop.
#include <array>
#include <string>

#include "platform/form.h"
#include "runtime/variant.h"

namespace nuvir {

class Frame;
class TextBox;

// The captions after "Options for ", by plot type 0 to 5.
const std::array<const char*, 6>& PlotTypeTitles();

// A tick-count text made whole (halves to even) and clamped to 3..100; a text that is
// not numeric comes back unchanged (it means automatic).
std::string NormaliseTicksText(const std::string& text);

class PlotAxisOptionsEditor {
public:
    // Works on the given options array (the program-wide one by default).
    explicit PlotAxisOptionsEditor(Variant* options = nullptr);

    std::int32_t PlotType = 0;
    bool OptionsChanged = false;

    // Takes the working copy of item 13 + PlotType, made exactly eight generic elements
    // (missing ones Empty), and writes it back at once. Returns the caption. An invalid
    // type gives "Options for ????" and no working copy.
    std::string SetPlotType();
    bool HasWorkingCopy() const { return working_.isArray(); }
    // The display text of box i: "" without a working copy; a number in the general
    // form; "{Auto}" for anything else, except "" for the reference lines 3 and 7.
    std::string GetOption(int index) const;
    // Stores a box's text into its element when it differs in kind (number or
    // automatic) or value; sets OptionsChanged then. The tick boxes 2 and 6 are
    // normalised first.
    void StorePlotOption(int index, const std::string& text);
    // Writes the working copy to item 13 + PlotType.
    void WriteBack();

    static bool IsTickBox(int index) { return index == 2 || index == 6; }

private:
    Variant& Options() const;

    Variant* options_;
    Variant working_;
};

// What the options dialog uses of its plot options dialog; tests give it a fake.
class PlotOptionsDialog {
public:
    virtual ~PlotOptionsDialog() = default;
    // Sets PlotType and runs SetPlotType.
    virtual void SetPlotTypeOf(std::int32_t type) = 0;
    virtual std::string OptionText(int index) const = 0;
    // Clears OptionsChanged, shows the dialog modally centred over the owner, and
    // returns OptionsChanged.
    virtual bool EditModal(Form& owner) = 0;
    // Unloads it: the owner is closing.
    virtual void Close() = 0;
};

class FPlotOptions : public Form, public PlotOptionsDialog {
    Q_OBJECT
public:
    FPlotOptions();

    void SetPlotTypeOf(std::int32_t type) override;
    std::string OptionText(int index) const override { return GetOption(index); }
    bool EditModal(Form& owner) override;
    void Close() override { Unload(); }

    // Public variables, as the callers use them.
    std::int32_t PlotType = 0;
    bool OptionsChanged = false;

    // Loads the type's working copy and sets the caption; no showing needed.
    void SetPlotType();
    std::string GetOption(int index) const;

    static constexpr int kHelpContext = 26;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void LoadPlotOptions();
    void SetTabOrder();
    void SavePlotOptions();

    PlotAxisOptionsEditor editor_;
    std::array<TextBox*, 8> txtOptions_{};
    std::array<Frame*, 2> fraOptions_{};
    bool loadedSinceShow_ = false;  // set by Load; the set-up runs at the next showing
    bool setUpDone_ = false;        // the set-up has run since the last load
};

}  // namespace nuvir
