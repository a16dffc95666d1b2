// The frame step: builds the action sets once, then reads both hand
// controllers from the runtime into their input value records, keeping the
// previous frame's state beside the new one. The queries read only what this
// stores.
#include "input/olva_input.h"

namespace {

// Where the three analog slots come from on each controller kind. A slot is
// read only when the runtime reports its input id configured with one of the
// mask's bits in the lowest byte.
struct AnalogSlotSource {
    int slot;
    uint32_t inputId;
    uint8_t configurationMask;
};

// In the order they are read: position, trigger, grip.
constexpr AnalogSlotSource kTouchControllerSlots[3] = {
    {0, 5, 0x8},
    {1, 4, 0xC},
    {2, 3, 0xC},
};
constexpr AnalogSlotSource kJoystickControllerSlots[3] = {
    {0, 9, 0x8},
    {1, 8, 0xC},
    {2, 7, 0xC},
};

// What one update reads for a hand, held apart from the hand's record until
// every read is done.
struct PolledHand {
    OLVA_XrInputValue* value = nullptr;
    bool connected = false;
    InputSnapshot current;
};

// Reads one hand controller. Every output is preset, so a runtime call that
// fails without writing (or throws, which the forwarding entry points turn
// into a failed result) leaves the hand disconnected with empty masks. The
// runtime is reached through the library's own forwarding entry points.
void PollHand(void* runtime, OLVA_DeviceType device, OLVA_Device_InputType inputType, PolledHand& hand) noexcept
{
    hand.current = hand.value->current;  // analog slots not read keep last frame's value

    uint32_t connected = 0;
    OLVA_IsDeviceConnected(runtime, device, &connected);
    hand.connected = connected != 0;

    uint64_t clickStates = 0;
    OLVA_GetInputClickStates(runtime, device, inputType, &clickStates);
    hand.current.clickStates = clickStates;

    uint64_t touchStates = 0;
    OLVA_GetInputTouchStates(runtime, device, inputType, &touchStates);
    hand.current.touchStates = touchStates;

    const AnalogSlotSource* slots = inputType == OLVA_INPUT_TYPE_JOYSTICK ? kJoystickControllerSlots
                                    : inputType == OLVA_INPUT_TYPE_TOUCH  ? kTouchControllerSlots
                                                                          : nullptr;
    if (slots == nullptr) {
        return;  // other controller kinds have no analog slots
    }
    for (int i = 0; i < 3; ++i) {
        const AnalogSlotSource& source = slots[i];
        uint64_t configuration = 0;
        if (OLVA_GetInputIdConfiguration(runtime, device, inputType, source.inputId, &configuration) != 0 ||
            (configuration & 0xFF & source.configurationMask) == 0) {
            continue;  // keeps last frame's value, so its change is 0
        }
        // Stored only when the read succeeds: a failed read keeps the slot
        // as it was rather than taking whatever the runtime left behind.
        OLVA_Vector2f analog = hand.current.analog[source.slot];
        if (OLVA_GetInputAnalogState(runtime, device, inputType, source.inputId, &analog) == 0) {
            hand.current.analog[source.slot] = analog;
        }
    }
}

// Shifts the history and stores what was read.
void Commit(const PolledHand& hand) noexcept
{
    OLVA_XrInputValue& value = *hand.value;
    value.previous = value.current;
    value.previousValid = value.currentValid;
    value.currentValid = true;
    value.connected = hand.connected;
    value.current = hand.current;
}

}  // namespace

int32_t olva_input::OLVA_UpdateXrActionState(void* runtime, OLVA_XrActiveActionSet*, unsigned int, unsigned int)
{
    if (runtime == nullptr) {
        return OLVA_RESULT_INVALID_RUNTIME;
    }
    if (!m_actionSetsBuilt && OLVA_BuildAllXrActionSets(runtime) != 0) {
        return OLVA_RESULT_INVALID_ARGUMENT;  // nothing attached, nothing polled; the next call tries again
    }

    // Ascending device type: the right hand (3) before the left (4). Every
    // read lands in a local first and the records change only at the end,
    // so an update that fails part way leaves the input state as it was.
    PolledHand hands[2];
    std::size_t handCount = 0;
    for (const auto& [device, inputType] : m_deviceInputTypes) {
        const char* userPath = device == OLVA_DEVICE_TYPE_RIGHT_CONTROLLER  ? "/user/hand/right"
                               : device == OLVA_DEVICE_TYPE_LEFT_CONTROLLER ? "/user/hand/left"
                                                                            : nullptr;
        if (userPath == nullptr) {
            continue;  // the gamepad and anything else are not polled
        }
        unsigned long handle = 0;
        OLVA_GetXrInputSourceHandle(runtime, userPath, &handle);
        if (handle == 0) {
            continue;
        }
        PolledHand& hand = hands[handCount++];
        hand.value = reinterpret_cast<OLVA_XrInputValue*>(handle);
        PollHand(runtime, device, inputType, hand);
    }
    for (std::size_t i = 0; i < handCount; ++i) {
        Commit(hands[i]);
    }
    return 0;
}
