#pragma once
// The report object: one per report. The report writer fills a field table (two data
// sets of 62 text fields, A the biological risks and B the management costs, plus the
// category tables for the appendix), hands it over with SetData and has GenerateReport
// merge it into a template file; RTF() is then the report. The merge cuts the
// management-costs page of the built-in template when costs are hidden, replaces every
// placeholder "%A<name>%" / "%B<name>%" (without regard to ASCII case) of the template
// by its field, once: a field's text is never searched for placeholders itself. It puts
// the categorical appendix before the document's closing brace.
//
// The template and the report are bytes from end to end: what an analyst's word
// processor wrote into the template passes through unchanged, and every field text is
// escaped to ASCII RTF on its way in (pictures, rows 59 to 61, are RTF already). What a
// hand-edited template leaves open just before a placeholder (a lone backslash, a
// control word, a hex escape short of its digits) is closed first, so no field can open
// or close a group or spell a control word: a lone backslash shows as itself.
//
// The built-in template (DefaultTemplate) is what the template file is created from.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/variant.h"

namespace nuvir {

// Field rows of the report.
namespace field {
inline constexpr int kTextRows = 62;  // rows 0 to 61 have placeholders
inline constexpr int kSpecies = 0;
inline constexpr int kLocation = 1;
inline constexpr int kDate = 2;
inline constexpr int kProbability = 3;  // 3 to 6: p1 to p4
inline constexpr int kImpact = 7;       // 7 to 11: I1 to I5 (set B: F1 to F4)
inline constexpr int kPointRisk = 12;   // 12 to 16: R1 to R5 (set B: C1 to C4)
inline constexpr int kPointTotal = 17;
inline constexpr int kTrials = 18;
inline constexpr int kMean = 19;
inline constexpr int kSD = 20;
inline constexpr int kSensitivity = 21;  // 21 to 29: p1 to I5 (set B: p1 to p4, F1 to F4)
inline constexpr int kGenerator = 30;
inline constexpr int kCumulative = 31;  // 31 to 55: five rows S1 to S5 of five columns
inline constexpr int kConfidence = 56;
inline constexpr int kRawR2 = 57;
inline constexpr int kRankedR2 = 58;
inline constexpr int kPicture = 59;  // 59 to 61: frequency, sensitivity, cumulative
inline constexpr int kSetA = 0;
inline constexpr int kSetB = 1;
}  // namespace field

// The field table. A field without a value (nullopt) shows as "--", or as nothing for
// the picture rows.
struct ReportFields {
    std::array<std::array<std::optional<std::string>, 2>, field::kTextRows> text;
    // Per set: the impact (A) or cost (B) category tables, an array of tables indexed
    // like the quantities (4 to 8, 9 to 12), each Double (0 To 1, 0 To N - 1); any
    // other value when that kind is not categorical.
    std::array<Variant, 2> categoryTables;

    std::optional<std::string>& operator()(int row, int set) { return text[row][set]; }
    const std::optional<std::string>& operator()(int row, int set) const { return text[row][set]; }
};

// The placeholder of a row (0 to 61) of a set (0 A, 1 B), or "" when the set has none
// there (set B rows 0, 1, 2, 11, 16, 29 and 51 to 55).
std::string PlaceholderName(int row, int set);

// The company line of the built-in template's information group: its presence marks a
// template whose second page may be cut.
inline constexpr std::string_view kTemplateLandmark = "Tarnwick Software Systems Inc.";

class CReport {
public:
    // Hide-costs and viewer-is-Word come from the options array (items 7 and 10).
    CReport();

    void SetData(ReportFields data) { data_ = std::move(data); }
    const std::optional<ReportFields>& Data() const { return data_; }
    void SetHideCosts(bool hide) { hideCosts_ = hide; }
    void SetViewerIsWord(bool word) { viewerIsWord_ = word; }

    // The largest template read: room for an edited template with its own pictures.
    static constexpr std::size_t kMaxTemplateBytes = std::size_t{8} << 20;
    // RTF() becomes the template file merged with the data, or "" when no data has
    // been set or the file does not exist. A template that cannot be read (no regular
    // file, larger than kMaxTemplateBytes) or is empty raises, naming the file.
    void GenerateReport(const std::string& templatePath);
    const std::string& RTF() const { return rtf_; }

    // The largest report merged: room for a template at its bound filled with every
    // field; beyond it the merge raises, naming the bound, before building anything.
    static constexpr std::size_t kMaxReportBytes = std::size_t{64} << 20;
    // The merge of GenerateReport on template bytes already read. Needs data.
    std::string MergeReportTemplate(std::string rtf) const;

    // The categorical appendix: "" when neither set holds category tables.
    std::string DoCategoryDataReport() const;

    // The built-in two-page template.
    static const std::string& DefaultTemplate();

private:
    std::optional<ReportFields> data_;
    std::string rtf_;
    bool hideCosts_ = false;
    bool viewerIsWord_ = false;
};

// The cut of the management-costs page: the text before the group that holds the
// first \page control word, with as many "}" as groups are open there. The text comes
// back unchanged when it has no \page.
std::string CutBeforeFirstPage(std::string_view rtf);

// The text with the appendix put before its closing brace (trailing blanks, line ends
// and NUL padding skipped); unchanged when no "}" closes it.
std::string InsertBeforeClosingBrace(std::string_view rtf, std::string_view appendix);

}  // namespace nuvir
