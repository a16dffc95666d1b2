// Building action sources from the binding document, once, at the first
// state update. Each source carries, besides what the binding says, the
// digital rule and analog slot its component path selects, so that a
// query never compares texts.
#include "input/digital_rules.h"
#include "input/documents.h"
#include "input/olva_input.h"

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

using namespace olva::input;

namespace {

std::string RequireString(const Json::Value& value)
{
    if (!value.isString()) {
        throw std::invalid_argument("binding member must be a string");
    }
    return value.asString();
}

double RequireThreshold(const Json::Value& parameter)
{
    double value = -1.0;
    if (!ReadThreshold(parameter, value)) {
        throw std::invalid_argument("threshold is not a number");
    }
    return value;
}

struct HandSide {
    std::string_view userPath;
    std::size_t length;
    unsigned long OLVA_XrAction::*inputValue;
    std::vector<OLVA_XrActionSource*> OLVA_XrAction::*sources;
};

constexpr HandSide kHands[] = {
    {"/user/hand/left", kLeftUserPathLength, &OLVA_XrAction::leftInputValue, &OLVA_XrAction::leftSources},
    {"/user/hand/right", kRightUserPathLength, &OLVA_XrAction::rightInputValue, &OLVA_XrAction::rightSources},
};

// What an action looked like before a build, to put it back on failure.
struct ActionBefore {
    OLVA_XrAction* action;
    std::size_t leftSources;
    std::size_t rightSources;
    unsigned long leftInputValue;
    unsigned long rightInputValue;
};

}  // namespace

void olva_input::OLVA_BuildXrActionSet(void* runtime, const OLVA_XrActionSet* actionSet)
{
    const Json::Value& bindings = m_bindings;  // read without inserting members
    const Json::Value sources = bindings["bindings"][actionSet->name]["sources"];
    for (Json::ArrayIndex i = 0; i < sources.size(); ++i) {
        const Json::Value source = sources[i];
        const Json::Value& subModeValue = source["parameters"]["sub_mode"];
        const std::string subMode = subModeValue.isNull() ? std::string() : RequireString(subModeValue);
        for (std::string_view key : kInputKeys) {
            const Json::Value& output = source["inputs"][std::string(key)]["output"];
            if (output.isNull()) {
                continue;
            }
            unsigned long action = 0;
            OLVA_GetXrActionHandle(runtime, RequireString(output).c_str(), &action);
            if (action == 0) {
                continue;
            }
            OLVA_ProcessXrInputSource(runtime, source, action, std::string(key), subMode, actionSet->name);
        }
    }
}

void olva_input::OLVA_ProcessXrInputSource(void* runtime, Json::Value source, unsigned long action,
                                           std::string inputKind, std::string subMode, std::string actionSetName)
{
    auto* target = reinterpret_cast<OLVA_XrAction*>(action);
    const std::string path = source["path"].asString();
    for (const HandSide& hand : kHands) {
        if (path.size() < hand.length || !EqualsIgnoreCase(std::string_view(path).substr(0, hand.length), hand.userPath)) {
            continue;
        }
        unsigned long inputValue = 0;
        OLVA_GetXrInputSourceHandle(runtime, hand.userPath.data(), &inputValue);
        target->*hand.inputValue = inputValue;

        const std::string mode = source["mode"].asString();
        const std::string_view componentPath = std::string_view(path).substr(hand.length);
        const Json::Value& parameters = source["parameters"];
        const double activate = RequireThreshold(parameters["click_activate_threshold"]);
        const double deactivate = RequireThreshold(parameters["click_deactivate_threshold"]);

        OLVA_XrActionSource* record = NewActionSource();
        record->inputKind = inputKind;
        record->mode = mode;
        record->path = path;
        record->userPath = path.substr(0, hand.length);
        record->inputCategory = std::string(InputCategoryOf(componentPath));
        record->actionSetName = actionSetName;
        record->subMode = subMode;
        record->clickActivateThreshold = activate;
        record->clickDeactivateThreshold = deactivate;
        record->digitalRule = static_cast<uint8_t>(MatchDigitalRule(componentPath, inputKind, mode));
        record->analogSlot = static_cast<int8_t>(AnalogSlotFor(componentPath));
        (target->*hand.sources).push_back(record);
    }
}

int32_t olva_input::OLVA_BuildAllXrActionSets(void* runtime)
{
    if (runtime == nullptr) {
        return OLVA_RESULT_INVALID_RUNTIME;
    }
    if (m_actionSetsBuilt) {
        return 0;
    }

    // Loading checked the binding document, so a failure here is rare; when
    // one happens, everything this build did is undone, so a later attempt
    // starts from the same state and attaches nothing twice.
    std::vector<ActionBefore> actionsBefore;
    actionsBefore.reserve(m_actionMap.size());
    std::vector<std::string> actionKeys;
    actionKeys.reserve(m_actionMap.size());
    for (const auto& [key, action] : m_actionMap) {
        actionsBefore.push_back({action, action->leftSources.size(), action->rightSources.size(),
                                 action->leftInputValue, action->rightInputValue});
        actionKeys.push_back(key);
    }
    std::vector<std::string> inputValueKeys;
    for (const auto& entry : m_inputValueMap) {
        inputValueKeys.push_back(entry.first);
    }

    try {
        for (const auto& entry : m_actionSetMap) {
            OLVA_BuildXrActionSet(runtime, entry.second);
        }
    } catch (...) {
        for (const ActionBefore& before : actionsBefore) {
            before.action->leftSources.resize(before.leftSources);
            before.action->rightSources.resize(before.rightSources);
            before.action->leftInputValue = before.leftInputValue;
            before.action->rightInputValue = before.rightInputValue;
        }
        auto eraseNewKeys = [](auto& map, const std::vector<std::string>& keysBefore) {
            for (auto it = map.begin(); it != map.end();) {
                if (std::binary_search(keysBefore.begin(), keysBefore.end(), it->first)) {
                    ++it;
                } else {
                    it = map.erase(it);
                }
            }
        };
        eraseNewKeys(m_actionMap, actionKeys);
        eraseNewKeys(m_inputValueMap, inputValueKeys);
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    m_actionSetsBuilt = true;
    return 0;
}
