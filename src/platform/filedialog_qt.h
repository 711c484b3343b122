#pragma once
// Qt's file dialog behind the file-dialog service (filedialog.h).
#include <string>

#include "platform/filedialog.h"

class QFileDialog;

namespace nuvir {

// Qt's file dialog, modal on the active window.
class QtFileDialogService : public FileDialogService {
public:
    std::string Show(const FileDialogRequest& request) override;
};

// Makes Qt's file dialog safe with special files: it never reads a file to choose its
// icon or type, so a file such as /proc/kmsg cannot block it (FIFOs and devices it does
// not list). Uses Qt's own dialog, not the desktop's.
void GuardFileDialog(QFileDialog& dialog);

}  // namespace nuvir
