// Loading the action manifest and the binding file it selects.
//
// The whole load is staged: both documents are read and checked, and the
// controller table and the action sets are worked out on copies, before
// anything in the registry changes. A load that fails therefore leaves the
// registry as it was, except that a failing OLVA_GetSupportedDevices still
// leaves the new manifest in place, as it always has.
#include "input/documents.h"
#include "input/olva_input.h"

#include <utility>
#include <vector>

using namespace olva::input;

namespace {

bool Usable(ReadStatus status) noexcept { return status == ReadStatus::Parsed || status == ReadStatus::Unopened; }

bool DeclaresNoActionSets(const Json::Value& manifest) noexcept
{
    return !manifest.isObject() || manifest["action_sets"].isNull();
}

}  // namespace

int32_t olva_input::OLVA_XrActionManifestPath(void* runtime, const char* manifestPath)
{
    if (runtime == nullptr) {
        return OLVA_RESULT_INVALID_RUNTIME;
    }
    if (manifestPath == nullptr || manifestPath[0] == '\0') {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    const std::string path(manifestPath);

    Json::Value manifest;
    if (!Usable(ReadJsonDocument(path, manifest)) || ValidateManifest(manifest, path)) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }

    uint64_t deviceMask = 0;
    const int32_t devicesResult = ::OLVA_GetSupportedDevices(runtime, &deviceMask);
    if (devicesResult != 0) {
        ReplaceManifest(std::move(manifest));
        return devicesResult;
    }

    // The controller table as this load would leave it. Entries are written
    // back one by one at the end, never erased.
    ControllerTable table = m_deviceInputTypes;
    for (OLVA_DeviceType device :
         {OLVA_DEVICE_TYPE_GAMEPAD, OLVA_DEVICE_TYPE_LEFT_CONTROLLER, OLVA_DEVICE_TYPE_RIGHT_CONTROLLER}) {
        if ((deviceMask >> device) & 1u) {
            uint64_t reported = 0;  // a runtime that writes nothing reports "other"
            ::OLVA_GetSupportedDeviceInputType(runtime, device, &reported);
            table[device] = StoredInputType(device, reported);
        }
    }
    const BindingSelection selection = SelectDefaultBinding(ScanDefaultBindings(manifest), table);
    std::string bindingUrl;
    if (ReadBindingUrl(manifest, selection.chosen, path, bindingUrl)) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    const std::string bindingPath = BindingFilePath(path, bindingUrl);
    Json::Value bindings;
    if (!Usable(ReadJsonDocument(bindingPath, bindings))) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }

    // Until the first state update builds them, every registered set will be
    // built from this binding document, so check it for all of them now: the
    // sets already registered, the new ones, and the demo set that a lookup
    // can still register when the manifest declares none.
    const std::vector<std::string> declared = DeclaredActionSetNames(manifest);
    if (!m_actionSetsBuilt) {
        std::vector<std::string> toBuild = declared;
        for (const auto& entry : m_actionSetMap) {
            toBuild.push_back(entry.second->name);
        }
        if (DeclaresNoActionSets(manifest)) {
            toBuild.emplace_back("/actions/demo");
        }
        if (ValidateBindings(bindings, toBuild, bindingPath)) {
            return OLVA_RESULT_INVALID_ARGUMENT;
        }
    }

    std::vector<OLVA_XrActionSet*> records;
    records.reserve(declared.size());
    if (!declared.empty()) {
        const Json::Value& sets = manifest["action_sets"];
        for (Json::ArrayIndex i = 0; i < sets.size(); ++i) {
            OLVA_XrActionSet* record = NewActionSet();
            record->name = declared[i];
            record->usage = sets[i].isObject() ? sets[i]["usage"].asString() : std::string();
            records.push_back(record);
        }
    }

    // Commit. Records replaced in the map stay alive, so old handles do too.
    for (const auto& [device, inputType] : table) {
        m_deviceInputTypes[device] = inputType;
    }
    for (OLVA_XrActionSet* record : records) {
        m_actionSetMap[record->name] = record;
    }
    ReplaceManifest(std::move(manifest));
    m_bindings = std::move(bindings);
    return 0;
}
