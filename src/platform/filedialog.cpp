// The parts of the file-dialog service that need no window system.
#include "platform/filedialog.h"

#include <stdexcept>

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

namespace {
FileDialogService* g_service = nullptr;
FileDialogService* g_standard = nullptr;
}  // namespace

FileDialogService& FileDialogs() {
    if (g_service != nullptr) return *g_service;
    if (g_standard != nullptr) return *g_standard;
    throw std::logic_error("no standard file dialog installed (InstallQtServices)");
}

void SetFileDialogService(FileDialogService* service) { g_service = service; }

void SetStandardFileDialogService(FileDialogService* service) { g_standard = service; }

}  // namespace nuvir
