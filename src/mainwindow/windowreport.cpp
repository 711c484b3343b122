#include "mainwindow/windowreport.h"

#include "appdata/appdata.h"
#include "mainwindow/riskmain.h"
#include "platform/controls.h"
#include "platform/qtpicturebox.h"
#include "report/reportcommand.h"
#include "results/resultscontroller.h"

namespace nuvir {

const RunState& WindowReport::Run() const { return results_.State(); }

std::string WindowReport::DefaultStateFileName() { return nuvir::DefaultStateFileName(); }

ImagePictureBox& WindowReport::HiddenPicture() { return *window_.picHidden; }

std::string WindowReport::ConfidenceText(int index) {
    ComboBox* list = window_.cboConfidence;
    if (list == nullptr || index < 0 || index >= list->ListCount()) return {};
    return list->List(index);
}

void WindowReport::RunReport() {
    ResultsController::BusyScope busy(results_);
    ReportCommand(*this);
}

}  // namespace nuvir
