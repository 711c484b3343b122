#include "mainwindow/batchwindowpart.h"

#include <QWindow>

#include "batch/batchwindow.h"
#include "mainwindow/riskmain.h"
#include "platform/toolwindow.h"

namespace nuvir {

std::unique_ptr<BatchFormPort> MakeBatchWindow(FRiskMain& main) { return std::make_unique<BatchWindowPart>(main); }

// No Qt parent: the main window is disabled during a batch run, which must not
// disable the batch window with it.
BatchWindowPart::BatchWindowPart(FRiskMain& main) : main_(main), form_(std::make_unique<FBatch>()) {}

BatchWindowPart::~BatchWindowPart() = default;

double BatchWindowPart::Width() const { return form_->Width(); }
double BatchWindowPart::Height() const { return form_->Height(); }

void BatchWindowPart::ShowTopmostAt(int xPx, int yPx) {
    form_->move(xPx, yPx);
    // Owned by the main window all the same, so that the window manager gives it no
    // minimise button of its own and keeps it with the main window.
    form_->winId();
    if (main_.windowHandle() != nullptr) form_->windowHandle()->setTransientParent(main_.windowHandle());
    form_->Show();
    form_->raise();
    // A window manager need not focus a tool window as it maps it (openbox does not):
    // the analyst who chose Batch Mode types into it next.
    form_->activateWindow();
}

void BatchWindowPart::Raise() {
    if (form_->isMinimized()) form_->setWindowState(form_->windowState() & ~Qt::WindowMinimized);
    form_->raise();
    form_->activateWindow();
}

void BatchWindowPart::SetVisible(bool on) {
    // Out of sight for its message box until the box is answered.
    if (form_->SteppedAside()) return;
    // A window manager that minimises the main window minimises the batch window with
    // it, and takes a batch window mapped minimised as a request to minimise the main
    // window again: the window is hidden as it is, and only shown in its normal state.
    if (!on) {
        if (form_->isVisible()) form_->SetVisible(false);
        return;
    }
    // Marked minimised with a workspace the desktop switched away from, it is left as it
    // is: shown, it would take the desktop back there.
    if (form_->isMinimized() && !OnWorkspaceNotShown(*form_) && MinimisedByWindowManager(*form_))
        form_->setWindowState(form_->windowState() & ~Qt::WindowMinimized);
    if (!form_->isVisible()) form_->SetVisible(true);
}

void BatchWindowPart::SetParent(FRiskMain* main) { form_->SetMainWindow(main != nullptr ? this : nullptr, main); }

// A window closed by its own Exit or close box has gone whatever came after.
bool BatchWindowPart::CloseRequested() const { return form_->CloseRequested() || !form_->IsLoaded(); }

bool BatchWindowPart::Unload() {
    // A close that already went ahead asked its question; it is not asked twice.
    if (!form_->IsLoaded()) return true;
    return form_->Unload();
}

std::string BatchWindowPart::SerialiseState(std::int32_t form) { return main_.SerialiseState(form); }

std::string BatchWindowPart::CaptureState() {
    main_.CommitChainEdit();
    main_.SyncChainToAppData();
    return main_.SerialiseState(0);
}

Variant BatchWindowPart::GetAppDataDefaults() { return main_.GetAppDataDefaults(); }

void BatchWindowPart::StartBatch() {
    main_.StartBatch();
    // No command of the main window may change the data under the run.
    main_.setEnabled(false);
}

void BatchWindowPart::EndBatch() {
    main_.setEnabled(true);
    main_.EndBatch();
}

bool BatchWindowPart::Busy() { return main_.Results().Busy(); }

std::optional<BatchResult> BatchWindowPart::RunBatchSimulation(const std::string& state) {
    return main_.RunBatchSimulation(state);
}

}  // namespace nuvir
