#pragma once
// Qt's implementations of the modal services (services.h, filedialog.h), and their
// installation as the standard ones.
#include <optional>
#include <string>
#include <vector>

#include "platform/services.h"

class QMessageBox;

namespace nuvir {

class QtMessageBoxService : public MessageBoxService {
public:
    int Show(const std::string& text, int style, const std::string& title) override;
    // Fills a message box as Show shows it (tests look at it without showing it
    // modally).
    static void Build(QMessageBox& box, const std::string& text, int style, const std::string& title);

private:
    struct Answer {
        int button;  // QMessageBox::StandardButton
        int answer;
    };
    static std::vector<Answer> Answers(int style);
};

class QtColourDialogService : public ColourDialogService {
public:
    std::optional<Colour> ChooseColour(Colour initial) override;
};

class QtHelpService : public HelpService {
public:
    void ShowHelp(const std::string& helpFile, int contextId) override;
};

class QtViewerService : public ViewerService {
public:
    bool OpenInViewer(const std::string& path) override;
    std::string AssociatedProgram(const std::string& path) override;
    bool StartProgram(const std::string& program, const std::string& argument) override;
};

class QtYieldService : public YieldService {
public:
    void Yield() override;
};

// Makes Qt's implementations (with Qt's file dialog) the standard services, and keeps
// modal windows in sight (modalwindows.h). Every program and test main calls it before
// anything asks for a service.
void InstallQtServices();

}  // namespace nuvir
