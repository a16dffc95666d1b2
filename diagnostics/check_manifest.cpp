// olva_check_manifest: the olva-check bindings findings for an application.
#include <olva/olva_diagnostics.h>

#include "bindings_judgement.h"
#include "bindings_model.h"

#include <string>
#include <string_view>
#include <vector>

namespace {

// "left=joystick;none" and the like; false when any setup does not parse.
bool ParseSetups(std::string_view text, std::vector<olva::check::ControllerSetup>& out)
{
    while (true) {
        const std::size_t semicolon = text.find(';');
        olva::check::ControllerSetup setup;
        std::string unused;
        if (!olva::check::ParseControllerSetup(text.substr(0, semicolon), setup, unused)) {
            return false;
        }
        out.push_back(std::move(setup));
        if (semicolon == std::string_view::npos) {
            return true;
        }
        text.remove_prefix(semicolon + 1);
    }
}

}  // namespace

extern "C" int32_t olva_check_manifest(const char* manifestPath, const char* controllerSetup,
                                       olva_finding_callback callback, void* userData)
{
    if (manifestPath == nullptr || manifestPath[0] == '\0') {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    try {
        std::vector<olva::check::ControllerSetup> setups;
        if (controllerSetup == nullptr) {
            setups = olva::check::DefaultControllerSetups();
        } else if (!ParseSetups(controllerSetup, setups)) {
            return OLVA_RESULT_INVALID_ARGUMENT;
        }
        const olva::check::BindingsReport report = olva::check::CheckBindings(manifestPath, setups);
        for (const olva::check::Finding& finding : report.findings.list()) {
            if (callback == nullptr) {
                break;
            }
            const olva_finding shown = {
                finding.severity == olva::check::Severity::Error ? OLVA_FINDING_ERROR : OLVA_FINDING_WARNING,
                finding.code.c_str(), finding.file.c_str(), finding.location.c_str(), finding.message.c_str()};
            callback(&shown, userData);
        }
        return report.findings.errors();
    } catch (...) {
        return OLVA_RESULT_RUNTIME_FAILURE;
    }
}
