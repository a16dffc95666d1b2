// Hand-made input records for frame-path tests: a registry object of the
// test's own with both hand input values registered, actions of a given
// type, and sources attached as building attaches them (with the rule and
// analog slot building fixes).
#pragma once

#include "input/digital_rules.h"
#include "input/olva_input.h"

#include <olva/olva_framework.h>

#include <string>

namespace olva::test {

inline unsigned long HandleOf(const void* record)
{
    return reinterpret_cast<unsigned long>(record);
}

class FrameRecords {
public:
    explicit FrameRecords(olva_input& input) : m_input(input)
    {
        right = AddInputValue("/user/hand/right");
        left = AddInputValue("/user/hand/left");
    }

    // Registered under its lower-cased path, as a lookup would register it.
    OLVA_XrInputValue* AddInputValue(const std::string& path)
    {
        OLVA_XrInputValue* value = olva::input::NewInputValue();
        value->path = path;
        m_input.m_inputValueMap[olva::input::LowerKey(path)] = value;
        return value;
    }

    OLVA_XrAction* Action(const std::string& type)
    {
        OLVA_XrAction* action = olva::input::NewAction();
        action->name = "action" + std::to_string(++m_actionCount);
        action->type = type;
        action->actionClass = olva::input::ClassifyActionType(type);
        return action;
    }

    // Attaches a source on componentPath of one hand to the action and sets
    // the action's input value for that hand.
    OLVA_XrActionSource* Bind(OLVA_XrAction* action, olva::input::Hand hand, const std::string& componentPath,
                              const std::string& inputKind, const std::string& mode = "")
    {
        const bool isRight = hand == olva::input::Hand::Right;
        OLVA_XrActionSource* source = olva::input::NewActionSource();
        source->inputKind = inputKind;
        source->mode = mode;
        source->userPath = isRight ? "/user/hand/right" : "/user/hand/left";
        source->path = source->userPath + componentPath;
        source->digitalRule = static_cast<uint8_t>(olva::input::MatchDigitalRule(componentPath, inputKind, mode));
        source->analogSlot = static_cast<int8_t>(olva::input::AnalogSlotFor(componentPath));
        if (isRight) {
            action->rightInputValue = HandleOf(right);
            action->rightSources.push_back(source);
        } else {
            action->leftInputValue = HandleOf(left);
            action->leftSources.push_back(source);
        }
        return source;
    }

    OLVA_XrInputValue* right = nullptr;
    OLVA_XrInputValue* left = nullptr;

private:
    olva_input& m_input;
    int m_actionCount = 0;
};

}  // namespace olva::test
