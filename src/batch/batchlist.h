#pragma once
// The batch list: the captured assessments, one state string a line, each line ended
// by CR LF, as the batch window shows them and the batch files keep them. Besides the
// text it holds the counter of specs appended since the last clear, whether the text
// changed since the last save, open or clear, and the batch file it is bound to.
//
// The text is never longer than kMaxChars characters, whatever road it comes by (an
// edit, a paste, Capture, Open); the limit is counted in characters of the CR LF text.
// Edits typed into the view arrive through SetText, whose line ends become CR LF. On
// every road U+2028 and U+2029 become blanks: the view would show them as line breaks,
// and its next edit would make them line ends, splitting an assessment in two.
#include <cstddef>
#include <string>
#include <string_view>

namespace nuvir {

class BatchList {
public:
    static constexpr std::size_t kMaxChars = 65536;
    // The largest batch file that can be a list: every character in four bytes (UTF-8,
    // or UTF-16 beyond its first plane), and a byte-order mark.
    static constexpr std::size_t kMaxFileBytes = 4 * kMaxChars + 4;
    static constexpr const char* kCaption = "     NUVIR Batch Module";

    const std::string& Text() const { return text_; }
    bool HasText() const { return !text_.empty(); }
    // Characters (not bytes) of the text.
    std::size_t Length() const { return length_; }
    // Replaces the whole text (an edit in the view): lone LF and CR become CR LF.
    // Counts as a change when the text differs. A text longer than kMaxChars is
    // refused: false, and the list keeps its text.
    bool SetText(std::string_view text);

    // Appends spec and CR LF when the text stays within kMaxChars, then raises the
    // counter; otherwise changes nothing.
    bool AppendSpec(std::string_view spec);
    // The counter's caption is empty until the first clear.
    void IncrementSpecCounter();
    int Counter() const { return counter_; }
    std::string CounterText() const;
    void SetCounter(int value);

    bool ListChanged() const { return listChanged_; }
    void SetListChanged(bool on) { listChanged_ = on; }
    const std::string& BatchFileName() const { return fileName_; }
    void SetBatchFileName(std::string name) { fileName_ = std::move(name); }
    // The window's caption: the plain caption, with "  [name]" once bound to a file.
    const std::string& Caption() const { return caption_; }
    void ShowFileInCaption(const std::string& name);

    // Empties the list and unbinds it: counter 0, plain caption, nothing changed.
    void Clear();

private:
    std::string text_;
    std::size_t length_ = 0;
    int counter_ = 0;
    bool counterShown_ = false;
    bool listChanged_ = false;
    std::string fileName_;
    std::string caption_ = kCaption;
};

}  // namespace nuvir
