// Digital action data: whether a boolean action is on and whether that
// changed, from the click and touch masks and stick position the latest
// update stored for each hand.
#include "input/digital_rules.h"
#include "input/direction.h"
#include "input/olva_input.h"

#include <cstddef>
#include <cstring>
#include <ctime>
#include <string>
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

// Byte for byte; the length is known, so this compiles to a few loads.
bool PathIs(const std::string& path, std::string_view expected) noexcept
{
    return path.size() == expected.size() && std::memcmp(path.data(), expected.data(), expected.size()) == 0;
}

// The decision an input code selects. Direction codes count west, north,
// east, south from 10 (joystick controller) or 6 (touch controller); every
// other code is a bit of the state mask. Other controller kinds decide
// nothing.
bool DecideByCode(OLVA_Device_InputType inputType, uint64_t inputCode, uint64_t stateMask,
                  OLVA_Vector2f analog) noexcept
{
    static constexpr Direction kFromFirstCode[] = {Direction::West, Direction::North, Direction::East,
                                                   Direction::South};
    if (inputType == OLVA_INPUT_TYPE_JOYSTICK && inputCode >= 10 && inputCode <= 13) {
        return JoystickSectorOn(kFromFirstCode[inputCode - 10], analog);
    }
    if (inputType == OLVA_INPUT_TYPE_TOUCH && inputCode >= 6 && inputCode <= 9) {
        return TouchDiagonalOn(kFromFirstCode[inputCode - 6], analog);
    }
    if (inputType == OLVA_INPUT_TYPE_JOYSTICK || inputType == OLVA_INPUT_TYPE_TOUCH) {
        return inputCode < 64 && ((stateMask >> inputCode) & 1) != 0;
    }
    return false;
}

int64_t StartMinusEnd(const timespec& start, const timespec& end) noexcept
{
    return (static_cast<int64_t>(start.tv_sec) - end.tv_sec) * 1000000000 + (start.tv_nsec - end.tv_nsec);
}

}  // namespace

}  // namespace olva::input

using namespace olva::input;

namespace {

// What one hand's evaluation reads, gathered once.
struct HandView {
    unsigned long handle = 0;
    const std::vector<OLVA_XrActionSource*>* sources = nullptr;
    // The hand whose input type and last-state fields apply follows from the
    // input value's own path, byte for byte; any other path recognises no
    // source.
    bool rightHand = false;
    bool recognised = false;
    OLVA_Device_InputType inputType = OLVA_INPUT_TYPE_NONE;
    const InputSnapshot* snapshot = nullptr;
};

HandView ViewOf(olva_input& input, bool listOfRightHand, const OLVA_XrAction* action)
{
    static const InputSnapshot kNothing{};
    HandView view;
    view.handle = listOfRightHand ? action->rightInputValue : action->leftInputValue;
    view.sources = listOfRightHand ? &action->rightSources : &action->leftSources;
    const auto* value = reinterpret_cast<const OLVA_XrInputValue*>(view.handle);
    view.snapshot = value != nullptr ? &value->current : &kNothing;
    if (value == nullptr) {
        return view;
    }
    view.rightHand = PathIs(value->path, kRightHandPath);
    view.recognised = view.rightHand || PathIs(value->path, kLeftHandPath);
    if (view.recognised && !view.sources->empty()) {
        // The controller table entry, inserted with input type 0 when absent.
        OLVA_Device_InputType*& cached = view.rightHand ? input.m_rightInputType : input.m_leftInputType;
        if (cached == nullptr) {
            cached = &input.m_deviceInputTypes[view.rightHand ? OLVA_DEVICE_TYPE_RIGHT_CONTROLLER
                                                               : OLVA_DEVICE_TYPE_LEFT_CONTROLLER];
        }
        view.inputType = *cached;
    }
    return view;
}

// The rule a source is judged by, or null when the source is unrecognised.
const DigitalRule* RuleOf(const HandView& view, const OLVA_XrActionSource& source)
{
    const DigitalRule* rule = view.recognised ? DigitalRuleByNumber(source.digitalRule) : nullptr;
    return rule != nullptr && rule->decision != Decision::Never ? rule : nullptr;
}

// What the decision member receives for rules 1 to 7 (trigger, grip and the
// four directions): the input code, the mask and the analog value.
struct CodedInput {
    uint64_t inputCode;
    uint64_t stateMask;
    OLVA_Vector2f analog;
};

CodedInput CodedInputOf(const DigitalRule& rule, const HandView& view)
{
    const InputSnapshot& s = *view.snapshot;
    return {rule.decision == Decision::Direction ? DirectionCode(rule.direction, view.inputType)
                                                 : ButtonBitNumber(rule.button, view.inputType),
            rule.decision == Decision::TouchBit ? s.touchStates : s.clickStates,
            rule.button == Button::Grip      ? s.analog[2]
            : rule.button == Button::Trigger ? s.analog[1]
                                             : s.analog[0]};
}

bool IsCoded(const DigitalRule& rule) { return rule.number <= 7; }

bool BitDecision(const DigitalRule& rule, const HandView& view)
{
    const uint64_t mask = rule.decision == Decision::TouchBit ? view.snapshot->touchStates : view.snapshot->clickStates;
    return (mask & ButtonBit(rule.button, view.inputType)) != 0;
}

unsigned int& LastStateOf(const DigitalRule& rule, const HandView& view, OLVA_XrActionSource& source)
{
    const bool right = rule.lastState == LastState::AlwaysRight || (rule.lastState == LastState::OfHand && view.rightHand);
    return right ? source.lastStateRight : source.lastStateLeft;
}

// Whether evaluating the hand now would report neither state nor change.
// Such an evaluation writes no flag and no last state: a source stays quiet
// only while its input is off, its flag is off and it has reported that. So
// this answers without the evaluation's clock readings and writes.
bool IsQuiet(const HandView& view)
{
    for (OLVA_XrActionSource* source : *view.sources) {
        const DigitalRule* rule = RuleOf(view, *source);
        if (rule == nullptr) {
            continue;
        }
        const bool flag = EdgeFlagValue(view.rightHand ? rule->rightFlag : rule->leftFlag);
        bool on = false;
        if (IsCoded(*rule)) {
            const CodedInput coded = CodedInputOf(*rule, view);
            on = DecideByCode(view.inputType, coded.inputCode, coded.stateMask, coded.analog);
        } else {
            on = BitDecision(*rule, view);
        }
        if (on || flag || LastStateOf(*rule, view, *source) != 0) {
            return false;
        }
    }
    return true;
}

void EvaluateHand(olva_input& input, const HandView& view, OLVA_XrInputDigitalActionData* data)
{
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    data->isActive = 0;
    data->inputSource = 0;

    EdgeFlagCapture previous;
    bool current = false;
    bool changed = false;
    bool active = false;
    for (OLVA_XrActionSource* source : *view.sources) {
        const DigitalRule* rule = RuleOf(view, *source);
        if (rule == nullptr) {
            active = false;
            continue;
        }
        const EdgeFlag flagId = view.rightHand ? rule->rightFlag : rule->leftFlag;
        bool& flag = EdgeFlagValue(flagId);
        unsigned int& lastState = LastStateOf(*rule, view, *source);
        if (IsCoded(*rule)) {
            const CodedInput coded = CodedInputOf(*rule, view);
            input.OLVA_DetermineXrActionState(view.inputType, coded.inputCode, coded.stateMask, previous[flagId], flag,
                                              coded.analog, source->clickActivateThreshold,
                                              source->clickDeactivateThreshold, current, changed, lastState);
        } else {
            ApplyEdgeLogic(BitDecision(*rule, view), previous[flagId], flag, current, changed, lastState);
        }
        active = true;
        if (current || changed) {
            break;  // later sources keep their last states until a scan reaches them
        }
    }

    timespec end{};
    clock_gettime(CLOCK_MONOTONIC, &end);
    data->isActive = active;
    data->inputSource = view.handle;
    data->currentState = current;
    data->changedSinceLastSync = changed;
    data->time = StartMinusEnd(start, end);
}

}  // namespace

void olva_input::OLVA_UpdateXrActionDigitalData(OLVA_DeviceType device, const OLVA_XrAction* action,
                                                OLVA_XrInputDigitalActionData* data)
{
    if (device != OLVA_DEVICE_TYPE_RIGHT_CONTROLLER && device != OLVA_DEVICE_TYPE_LEFT_CONTROLLER) {
        return;
    }
    EvaluateHand(*this, ViewOf(*this, device == OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, action), data);
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
    if (data == nullptr) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    // Only handles this library issued, of the right kind, are read.
    const OLVA_XrAction* record = olva::input::ActionFromHandle(action);
    if (record == nullptr || record->actionClass != ActionClass::Digital) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    if (inputSource != 0 && olva::input::InputValueFromHandle(inputSource) == nullptr) {
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
        const HandView right = ViewOf(*this, true, record);
        // A quiet right hand's record would be overwritten whole by the left
        // hand's: skip its evaluation, which would change nothing else.
        if (record->leftInputValue == 0 || !IsQuiet(right)) {
            EvaluateHand(*this, right, data);
        }
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
    ApplyEdgeLogic(DecideByCode(inputType, inputCode, stateMask, analog), previousFlag, flag, currentState,
                   changedState, lastState);
}
