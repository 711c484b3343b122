#include "batch/batchlist.h"

#include "runtime/convert.h"

namespace nuvir {

bool BatchList::SetText(std::string_view text) {
    std::string t;
    t.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            t += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            t += "\r\n";
        } else {
            t += c;
        }
    }
    t = BlankLineSeparators(t);
    if (t == text_) return true;
    const std::size_t length = CharCount(t);
    if (length > kMaxChars) return false;
    text_ = std::move(t);
    length_ = length;
    listChanged_ = true;
    return true;
}

bool BatchList::AppendSpec(std::string_view spec) {
    const std::string line = BlankLineSeparators(spec);
    const std::size_t add = CharCount(line);
    if (length_ + add + 2 > kMaxChars) return false;
    text_.append(line).append("\r\n");
    length_ += add + 2;
    listChanged_ = true;
    IncrementSpecCounter();
    return true;
}

void BatchList::IncrementSpecCounter() { SetCounter(counterShown_ ? counter_ + 1 : 1); }

void BatchList::SetCounter(int value) {
    counter_ = value;
    counterShown_ = true;
}

std::string BatchList::CounterText() const { return counterShown_ ? CStr(Variant(counter_)) : std::string(); }

void BatchList::ShowFileInCaption(const std::string& name) { caption_ = std::string(kCaption) + "  [" + name + "]"; }

void BatchList::Clear() {
    text_.clear();
    length_ = 0;
    SetCounter(0);
    caption_ = kCaption;
    listChanged_ = false;
    fileName_.clear();
}

}  // namespace nuvir
