// What a check found, how it is shown, and the exit status it leads to.
#pragma once

#include "terminal.h"

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <vector>

namespace olva::check {

// Exit statuses of the tool.
inline constexpr int kExitClean = 0;
inline constexpr int kExitFindings = 1;  // errors, or warnings under --strict
inline constexpr int kExitUsage = 2;

enum class Severity { Error, Warning };

struct Finding {
    Severity severity = Severity::Warning;
    std::string code;      // short stable name, e.g. "undeclared-action"
    std::string file;      // the document it is about; empty when none
    std::string location;  // JSON location inside file; empty when none
    std::string message;
};

class Findings {
public:
    void Add(Severity severity, std::string code, std::string file, std::string location, std::string message);
    void Add(Finding finding);

    const std::vector<Finding>& list() const noexcept { return m_list; }
    int errors() const noexcept;
    int warnings() const noexcept;

    // 0 when clean, 1 on errors, and on warnings too when strict.
    int ExitStatus(bool strict) const noexcept;

    // Every finding, then a summary line.
    void Print(std::ostream& out, const Style& style, bool strict) const;

    // The "findings" array and summary members of a JSON report.
    void AddToJson(nlohmann::ordered_json& report, bool strict) const;

private:
    std::vector<Finding> m_list;
};

const char* SeverityName(Severity severity) noexcept;

}  // namespace olva::check
