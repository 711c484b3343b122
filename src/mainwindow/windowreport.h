#pragma once
// The main window as the report's host: the last run of its results page, its hidden
// picture box, its confidence list and the assessment's name. RunReport is the
// "Re&port" button: the Report command, with the results page busy while it runs so
// that nothing replaces the run it reports.
#include <string>

#include "report/reporthost.h"

namespace nuvir {

class FRiskMain;
class ResultsController;

class WindowReport : public ReportHost {
public:
    WindowReport(FRiskMain& window, ResultsController& results) : window_(window), results_(results) {}

    const RunState& Run() const override;
    std::string DefaultStateFileName() override;
    ImagePictureBox& HiddenPicture() override;
    std::string ConfidenceText(int index) override;

    void RunReport();

private:
    FRiskMain& window_;
    ResultsController& results_;
};

}  // namespace nuvir
