// The parts of the file-dialog service that need no window system.
#include "platform/filedialog.h"

namespace nuvir {

std::string CaseInsensitivePattern(std::string_view pattern) {
    std::string out;
    out.reserve(pattern.size() * 4);
    bool inSet = false;  // inside a "[...]" set the other case is added to the set
    for (char c : pattern) {
        const bool upper = c >= 'A' && c <= 'Z';
        const bool lower = c >= 'a' && c <= 'z';
        if (c == '[' && !inSet) {
            inSet = true;
            out += c;
        } else if (c == ']' && inSet) {
            inSet = false;
            out += c;
        } else if (upper || lower) {
            const char other = upper ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c - 'a' + 'A');
            if (inSet) {
                out += c;
                out += other;
            } else {
                out += '[';
                out += lower ? c : other;
                out += upper ? c : other;
                out += ']';
            }
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace nuvir
