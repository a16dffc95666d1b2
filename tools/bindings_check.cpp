#include "bindings_check.h"

#include "bindings_judgement.h"
#include "bindings_report.h"

namespace olva::check {

int RunBindingsCheck(const BindingsOptions& options, std::ostream& out)
{
    const BindingsReport report = CheckBindings(options.manifest, options.setups);
    if (options.json) {
        out << BindingsReportJson(report, options.strict).dump(2) << '\n';
    } else {
        PrintBindingsReport(out, report, options.strict);
    }
    return report.findings.ExitStatus(options.strict);
}

}  // namespace olva::check
