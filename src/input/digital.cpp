// Digital action data: whether a boolean action is on and whether that
// changed, from the click and touch masks and stick position the latest
// update stored for each hand.
#include "input/digital_rules.h"
#include "input/direction.h"
#include "input/olva_input.h"

#include <cstddef>
#include <cstring>
#include <ctime>
#include <string_view>

static_assert(offsetof(OLVA_XrInputDigitalActionData, isActive) == 0);
static_assert(offsetof(OLVA_XrInputDigitalActionData, inputSource) == 8);
static_assert(offsetof(OLVA_XrInputDigitalActionData, currentState) == 16);
static_assert(offsetof(OLVA_XrInputDigitalActionData, changedSinceLastSync) == 17);
static_assert(offsetof(OLVA_XrInputDigitalActionData, time) == 24);
static_assert(sizeof(OLVA_XrInputDigitalActionData) == 32);

namespace olva::input {

namespace {

constexpr std::string_view kRightHandPath = "/user/hand/right";
constexpr std::string_view kLeftHandPath = "/user/hand/left";

// One input's decision against the flag that stands for it. previousFlag is
// the flag's value when the hand evaluation began; flag is its present value,
// which an earlier source of the same scan may have moved.
void ApplyEdgeLogic(bool on, bool previousFlag, bool& flag, bool& current, bool& changed,
                    unsigned int& lastState) noexcept
{
    if (on && !previousFlag) {
        // Press: the first evaluation to see it moves the flag.
        flag = true;
        current = true;
        changed = true;
        lastState = 1;
    } else if (!on && previousFlag) {
        // Release.
        flag = false;
        changed = true;
        lastState = current;
    } else {
        // Steady: a source that has not reported the flag's latest value yet
        // reports it as a change now, once.
        changed = changed || lastState != static_cast<unsigned int>(flag);
        lastState = flag;
        current = current || flag;
    }
}

int64_t StartMinusEnd(const timespec& start, const timespec& end) noexcept
{
    return (static_cast<int64_t>(start.tv_sec) - end.tv_sec) * 1000000000 + (start.tv_nsec - end.tv_nsec);
}

}  // namespace

}  // namespace olva::input

using namespace olva::input;

namespace {

// One hand's evaluation. With replacedWhenQuiet set, a result with neither
// state nor change is about to be overwritten whole by the other hand's
// evaluation, so its closing clock reading and writes are left out.
void EvaluateHand(olva_input& input, OLVA_DeviceType device, const OLVA_XrAction* action,
                  OLVA_XrInputDigitalActionData* data, bool replacedWhenQuiet)
{
    if (device != OLVA_DEVICE_TYPE_RIGHT_CONTROLLER && device != OLVA_DEVICE_TYPE_LEFT_CONTROLLER) {
        return;
    }
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    data->isActive = 0;
    data->inputSource = 0;

    const bool listOfRightHand = device == OLVA_DEVICE_TYPE_RIGHT_CONTROLLER;
    const unsigned long handle = listOfRightHand ? action->rightInputValue : action->leftInputValue;
    const std::vector<OLVA_XrActionSource*>& sources = listOfRightHand ? action->rightSources : action->leftSources;
    const auto* value = reinterpret_cast<const OLVA_XrInputValue*>(handle);

    // Which hand's input type and last-state fields apply follows from the
    // input value's own path, byte for byte; any other path recognises no
    // source.
    const bool rightHand = value != nullptr && value->path == kRightHandPath;
    const bool leftHand = value != nullptr && value->path == kLeftHandPath;
    static const InputSnapshot kNothing{};
    const InputSnapshot& snapshot = value != nullptr ? value->current : kNothing;

    EdgeFlagCapture previous;
    bool current = false;
    bool changed = false;
    bool active = false;

    OLVA_Device_InputType inputType = OLVA_INPUT_TYPE_NONE;
    if ((rightHand || leftHand) && !sources.empty()) {
        OLVA_Device_InputType*& cached = rightHand ? input.m_rightInputType : input.m_leftInputType;
        if (cached == nullptr) {
            cached = &input.m_deviceInputTypes[rightHand ? OLVA_DEVICE_TYPE_RIGHT_CONTROLLER : OLVA_DEVICE_TYPE_LEFT_CONTROLLER];
        }
        inputType = *cached;
    }

    for (OLVA_XrActionSource* source : sources) {
        const DigitalRule* rule = (rightHand || leftHand) ? DigitalRuleByNumber(source->digitalRule) : nullptr;
        if (rule == nullptr || rule->decision == Decision::Never) {
            active = false;
            continue;
        }

        const EdgeFlag flagId = rightHand ? rule->rightFlag : rule->leftFlag;
        bool& flag = EdgeFlagValue(flagId);
        unsigned int& lastState =
            (rule->lastState == LastState::AlwaysRight || (rule->lastState == LastState::OfHand && rightHand))
                ? source->lastStateRight
                : source->lastStateLeft;
        const uint64_t mask = rule->decision == Decision::TouchBit ? snapshot.touchStates : snapshot.clickStates;

        if (rule->number <= 7) {
            // Trigger, grip and the four directions go through the decision
            // member with their input code.
            const uint64_t inputCode = rule->decision == Decision::Direction
                                           ? DirectionCode(rule->direction, inputType)
                                           : ButtonBitNumber(rule->button, inputType);
            const OLVA_Vector2f analog = rule->button == Button::Grip      ? snapshot.analog[2]
                                         : rule->button == Button::Trigger ? snapshot.analog[1]
                                                                           : snapshot.analog[0];
            input.OLVA_DetermineXrActionState(inputType, inputCode, mask, previous[flagId], flag, analog,
                                              source->clickActivateThreshold, source->clickDeactivateThreshold,
                                              current, changed, lastState);
        } else {
            const bool on = (mask & ButtonBit(rule->button, inputType)) != 0;
            ApplyEdgeLogic(on, previous[flagId], flag, current, changed, lastState);
        }
        active = true;
        if (current || changed) {
            break;  // later sources keep their last states until a scan reaches them
        }
    }

    if (replacedWhenQuiet && !current && !changed) {
        return;
    }
    timespec end{};
    clock_gettime(CLOCK_MONOTONIC, &end);
    data->isActive = active;
    data->inputSource = handle;
    data->currentState = current;
    data->changedSinceLastSync = changed;
    data->time = StartMinusEnd(start, end);
}

}  // namespace

void olva_input::OLVA_UpdateXrActionDigitalData(OLVA_DeviceType device, const OLVA_XrAction* action,
                                                OLVA_XrInputDigitalActionData* data)
{
    EvaluateHand(*this, device, action, data, false);
}

int32_t olva_input::OLVA_GetXrActionDigitalData(void* runtime, unsigned long action,
                                                OLVA_XrInputDigitalActionData* data, unsigned int,
                                                unsigned long inputSource)
{
    if (data != nullptr) {
        std::memset(data, 0, sizeof *data);
    }
    if (runtime == nullptr) {
        return OLVA_RESULT_INVALID_RUNTIME;
    }
    if (data == nullptr || action == 0) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    const auto* record = reinterpret_cast<const OLVA_XrAction*>(action);
    if (record->actionClass != ActionClass::Digital) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }

    if (inputSource != 0) {
        if (inputSource == record->rightInputValue) {
            OLVA_UpdateXrActionDigitalData(OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, record, data);
            return 0;
        }
        if (inputSource == record->leftInputValue) {
            OLVA_UpdateXrActionDigitalData(OLVA_DEVICE_TYPE_LEFT_CONTROLLER, record, data);
            return 0;
        }
        // Neither hand of this action: answer as for both hands.
    }
    if (record->rightInputValue != 0) {
        EvaluateHand(*this, OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, record, data, record->leftInputValue != 0);
    }
    // The right hand wins whenever it reports a state or a change.
    if (record->leftInputValue != 0 && data->currentState == 0 && data->changedSinceLastSync == 0) {
        OLVA_UpdateXrActionDigitalData(OLVA_DEVICE_TYPE_LEFT_CONTROLLER, record, data);
    }
    return 0;
}

void olva_input::OLVA_DetermineXrActionState(OLVA_Device_InputType inputType, uint64_t inputCode,
                                             uint64_t stateMask, bool previousFlag, bool& flag,
                                             OLVA_Vector2f analog, double, double, bool& currentState,
                                             bool& changedState, unsigned int& lastState)
{
    // The thresholds are carried for bindings that name them; no decision
    // reads them, and the analog value matters only to the directions.
    // Direction codes count west, north, east, south from 10 (joystick
    // controller) or 6 (touch controller); every other code is a mask bit.
    static constexpr Direction kFromFirstCode[] = {Direction::West, Direction::North, Direction::East,
                                                   Direction::South};
    bool on = false;
    if (inputType == OLVA_INPUT_TYPE_JOYSTICK && inputCode >= 10 && inputCode <= 13) {
        on = JoystickSectorOn(kFromFirstCode[inputCode - 10], analog);
    } else if (inputType == OLVA_INPUT_TYPE_TOUCH && inputCode >= 6 && inputCode <= 9) {
        on = TouchDiagonalOn(kFromFirstCode[inputCode - 6], analog);
    } else if (inputType == OLVA_INPUT_TYPE_JOYSTICK || inputType == OLVA_INPUT_TYPE_TOUCH) {
        on = inputCode < 64 && ((stateMask >> inputCode) & 1) != 0;
    }
    ApplyEdgeLogic(on, previousFlag, flag, currentState, changedState, lastState);
}
