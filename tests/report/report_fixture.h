#pragma once
// Shared set-up of the report tests: the settings folder is a fresh temporary folder,
// messages go to a recording fake, and the options array holds its defaults.
#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "appdata/appdata.h"
#include "appdata/appservices.h"
#include "appdata/options.h"
#include "platform/fakefiledialog.h"
#include "platform/fakeservices.h"
#include "platform/picturebox.h"
#include "report/report.h"
#include "report/reporthost.h"
#include "results/runstate.h"
#include "runtime/convert.h"
#include "runtime/variant.h"
#include "testsupport.h"

namespace nuvir::test {

// Occurrences of a text in another.
inline int CountOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + what.size())) ++n;
    return n;
}

// A category table (0 To 1, 0 To N - 1): values, then probabilities.
inline Variant CategoryTable(std::initializer_list<double> values, std::initializer_list<double> probabilities) {
    Variant t = Variant::MakeArray(VarType::Double, {Bounds{0, 1}, Bounds{0, static_cast<int>(values.size()) - 1}});
    int k = 0;
    for (double v : values) t(0, k++) = Variant(v);
    k = 0;
    for (double p : probabilities) t(1, k++) = Variant(p);
    return t;
}

// The tables of one kind, indexed from `lower` as the quantities are.
inline Variant TablesFrom(int lower, std::initializer_list<Variant> tables) {
    return Variant::List(std::vector<Variant>(tables), lower);
}

// The appendix's table of one category (2.5 with probability 1) under the heading
// `name`, written out by hand from the table layout.
inline std::string OneCategoryTable(const std::string& name) {
    return "{\\trowd \\trgaph0\\trleft-0\\clbrdrb\\brdrs\\brdrw10\\clvertalc\\cellx960\r\n"
           "\\clbrdrb\\brdrs\\brdrw10\\clvertalc\\cellx1720\r\n"
           "\\pard\\ql\\intbl{\\fs16 " + name + "\\cell}\r\n"
           "\\pard\\ql\\intbl{\\fs16 P(0-1)\\cell}\r\n"
           "\\intbl{\\fs16 \\row}\r\n"
           "\\trowd \\trgaph0\\trleft-0\\clvertalc\\cellx960\r\n"
           "\\clvertalc\\cellx1720\r\n"
           "\\pard\\ql\\intbl{\\fs16 2.5\\cell}\r\n"
           "\\pard\\ql\\intbl{\\fs16 1.0\\cell}\r\n"
           "\\intbl{\\fs16 \\row}\r\n"
           "}";
}

// Runs scripts/check-report.sh; its exit status (77: the office suite is missing).
inline int CheckReport(const std::string& arguments) {
    const std::string command = SourceDir() + "/../scripts/check-report.sh " + arguments;
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Quotes a text for the shell.
inline std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// A run of the simulation on an assessment, stored as the Run command stores it, with
// the two R2 rows of the sensitivity summary that the report reads.
RunState SimulatedRun(const Variant& snapshot, float seed = 12345.0f);

// The main window as the report sees it: a stored run, the assessment's name, a hidden
// picture of the window's size and the confidence list.
class FakeReportHost : public ReportHost {
public:
    const RunState& Run() const override { return run; }
    std::string DefaultStateFileName() override { return name; }
    ImagePictureBox& HiddenPicture() override { return picture; }
    std::string ConfidenceText(int index) override {
        static const char* const kTexts[3] = {"90 %", "95 %", "99 %"};
        return index >= 0 && index < 3 ? kTexts[index] : "";
    }
    RunState run;
    std::string name = "Ant_Lake";
    ImagePictureBox picture{299, 209};
};

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousFacts = App();
        SetAppFacts(AppFacts{dir.str(), "nuvir"});
        AppOptions = GetAppOptionsDefaults();
        AppData = GetAppDataDefaults(true, Variant());
        ReportPath = dir.str();
        SetFileDialogService(&dialog);
    }
    void TearDown() override {
        SetFileDialogService(nullptr);
        AppOptions = Variant();
        AppData = Variant();
        ReportPath.clear();
        SetAppFacts(previousFacts);
    }
    // The default assessment with its point outcomes, as a run would take it.
    static Variant DefaultAssessment() {
        Variant data = GetAppDataDefaults(true, Variant());
        MKelvaro::StoreOutcomeRisks(data);
        return data;
    }
    AppFacts previousFacts;
    FakeFileDialog dialog;
    TempDir dir;
    FakeServices services;
};

}  // namespace nuvir::test
