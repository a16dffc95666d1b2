// The checker behind CheckBindings, shared by its two source files: reading
// the manifest and selecting for each setup (bindings_selection.cpp), and
// walking and judging each selected binding file (bindings_judgement.cpp).
#pragma once

#include "bindings_model.h"
#include "wording.h"

#include <json/json.h>

#include <string>
#include <string_view>
#include <vector>

namespace olva::check::detail {

// The element of "actions" that a lookup of this name finds: the first whose
// "name" matches without regard to ASCII case; -1 when none.
int DeclaredActionIndex(const Json::Value& manifest, std::string_view name);

void AddDocumentError(Findings& findings, std::string code, const olva::input::DocumentError& error);

class BindingsChecker {
public:
    BindingsChecker(const std::string& manifest, const std::vector<ControllerSetup>& setups) : m_toCheck(setups)
    {
        // Shown without doubled separators; the files read are the same.
        m_report.manifest = ShownPath(manifest);
    }

    void Run();
    BindingsReport Take() { return std::move(m_report); }

private:
    bool ReadManifest();
    void CheckActionTypes();
    void CheckDefaultBindings();
    void SelectForSetups();
    void CheckBindingFile(BindingFileReport& file);
    void WalkSources(const Json::Value& document, BindingFileReport& file);
    void CheckSetKeys(const Json::Value& all, const BindingFileReport& file);
    void CheckUnknownInputs(const Json::Value& inputs, const std::string& sourceAt, const BindingFileReport& file);
    void CheckIgnoredPath(const std::string& path, const std::string& at, const BindingFileReport& file);
    void CheckMode(const std::string& mode, const std::string& at, const BindingFileReport& file);
    // The names the manifest declares for its actions, as written.
    std::vector<std::string> DeclaredActionNames() const;
    ActionReport& ActionFor(BindingFileReport& file, const std::string& outputName, const std::string& location);
    void JudgeActions(BindingFileReport& file);
    void CheckSharedTouchBits(const BindingFileReport& file);

    // The binding path of a manifest path without a directory starts at "/".
    std::string NoDirectoryHint() const
    {
        return m_report.manifest.find_first_of("/\\") == std::string::npos ?
                   " (the manifest path names no directory, so binding files are looked for under \"/\"; "
                   "write it as ./" + m_report.manifest + ")" :
                   std::string();
    }

    // Reads go through a const view: a non-const subscript would insert
    // members into the document.
    const Json::Value& Manifest() const { return m_manifest; }

    // A binding URL is always placed after the manifest's directory.
    static std::string AbsoluteUrlHint(const std::string& url)
    {
        return !url.empty() && (url[0] == '/' || url[0] == '\\') ?
                   " (a binding_url is always relative to the manifest's directory, even when it starts with \"" +
                       url.substr(0, 1) + "\")" :
                   std::string();
    }

    const std::vector<ControllerSetup>& m_toCheck;
    Json::Value m_manifest;
    BindingsReport m_report;
};

}  // namespace olva::check::detail
