#include "findings.h"

#include <algorithm>

namespace olva::check {

namespace {
constexpr std::size_t kLabelWidth = 9;  // "warning" and two spaces
}

const char* SeverityName(Severity severity) noexcept
{
    return severity == Severity::Error ? "error" : "warning";
}

void Findings::Add(Severity severity, std::string code, std::string file, std::string location, std::string message)
{
    Add(Finding{severity, std::move(code), std::move(file), std::move(location), std::move(message)});
}

void Findings::Add(Finding finding)
{
    // The same finding reached twice (two setups selecting one file) is
    // reported once.
    const bool known = std::any_of(m_list.begin(), m_list.end(), [&](const Finding& f) {
        return f.severity == finding.severity && f.code == finding.code && f.file == finding.file &&
               f.location == finding.location && f.message == finding.message;
    });
    if (!known) {
        m_list.push_back(std::move(finding));
    }
}

int Findings::errors() const noexcept
{
    return static_cast<int>(
        std::count_if(m_list.begin(), m_list.end(), [](const Finding& f) { return f.severity == Severity::Error; }));
}

int Findings::warnings() const noexcept
{
    return static_cast<int>(m_list.size()) - errors();
}

int Findings::ExitStatus(bool strict) const noexcept
{
    if (errors() > 0 || (strict && warnings() > 0)) {
        return kExitFindings;
    }
    return kExitClean;
}

void Findings::Print(std::ostream& out, const Style& style, bool strict) const
{
    for (const Finding& finding : m_list) {
        const std::string label = SeverityName(finding.severity);
        const std::string shown = finding.severity == Severity::Error ? style.Red(label) : style.Yellow(label);
        // Padding is computed on the plain label: escape codes take no columns.
        out << shown << std::string(kLabelWidth - label.size(), ' ');
        std::string where = finding.file;
        if (!finding.location.empty()) {
            where += where.empty() ? "" : " ";
            where += "at " + finding.location;
        }
        // The code and the place on the first line, the message below;
        // continuation lines align under the first.
        const std::string indent(kLabelWidth, ' ');
        const std::string head = finding.code + (where.empty() ? "" : ": " + where);
        std::vector<std::string> lines = WrapWords(head, kLineWidth - kLabelWidth, 0);
        const auto messageLines = WrapWords(finding.message, kLineWidth - kLabelWidth, 0);
        lines.insert(lines.end(), messageLines.begin(), messageLines.end());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            out << (i == 0 ? "" : indent) << (i == 0 ? style.Bold(lines[i]) : lines[i]) << '\n';
        }
    }

    const int errorCount = errors();
    const int warningCount = warnings();
    std::string summary = std::to_string(errorCount) + (errorCount == 1 ? " error, " : " errors, ") +
                          std::to_string(warningCount) + (warningCount == 1 ? " warning" : " warnings");
    if (strict && warningCount > 0) {
        summary += " (--strict: warnings count as errors)";
    }
    if (!m_list.empty()) {
        out << '\n';
    }
    out << (ExitStatus(strict) == kExitClean ? style.Green(summary) : style.Bold(summary)) << '\n';
}

void Findings::AddToJson(nlohmann::ordered_json& report, bool strict) const
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const Finding& finding : m_list) {
        list.push_back({{"severity", SeverityName(finding.severity)},
                        {"code", finding.code},
                        {"file", finding.file},
                        {"location", finding.location},
                        {"message", finding.message}});
    }
    report["findings"] = std::move(list);
    report["errors"] = errors();
    report["warnings"] = warnings();
    report["strict"] = strict;
    report["exit_status"] = ExitStatus(strict);
}

}  // namespace olva::check
