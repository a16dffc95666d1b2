#include "simulation.h"

#include <utility>

namespace olva::sim {

namespace {

// Bit numbers by Control (trigger, grip, a, b, x, y, menu, thumbstick).
constexpr uint8_t kTouchBits[kControlCount] = {4, 3, 1, 2, 3, 4, 2, 5};
constexpr uint8_t kJoystickBits[kControlCount] = {8, 7, 1, 2, 3, 4, 6, 9};

}  // namespace

OLVA_DeviceType DeviceTypeOf(Slot slot)
{
    switch (slot) {
    case Slot::Right:
        return OLVA_DEVICE_TYPE_RIGHT_CONTROLLER;
    case Slot::Left:
        return OLVA_DEVICE_TYPE_LEFT_CONTROLLER;
    case Slot::Gamepad:
        return OLVA_DEVICE_TYPE_GAMEPAD;
    }
    return -1;
}

std::optional<Slot> SlotOf(OLVA_DeviceType device)
{
    switch (device) {
    case OLVA_DEVICE_TYPE_RIGHT_CONTROLLER:
        return Slot::Right;
    case OLVA_DEVICE_TYPE_LEFT_CONTROLLER:
        return Slot::Left;
    case OLVA_DEVICE_TYPE_GAMEPAD:
        return Slot::Gamepad;
    default:
        return std::nullopt;
    }
}

uint64_t ControlMask(Kind kind, ControlSet controls)
{
    const uint8_t* bits = kind == Kind::Touch ? kTouchBits : kJoystickBits;
    uint64_t mask = 0;
    for (std::size_t c = 0; c < kControlCount; ++c) {
        if ((controls & Bit(static_cast<Control>(c))) != 0) {
            mask |= uint64_t{1} << bits[c];
        }
    }
    return mask;
}

AnalogIds AnalogIdsOf(Kind kind)
{
    if (kind == Kind::Touch) {
        return {5, 4, 3};
    }
    return {9, 8, 7};
}

Simulation::Simulation(Scenario scenario) : m_scenario(std::move(scenario)) {}

void Simulation::AdvanceFrame()
{
    ++m_frame;
    if (m_nextKeyframe < m_scenario.timeline.size() && m_scenario.timeline[m_nextKeyframe].frame == m_frame) {
        const Keyframe& keyframe = m_scenario.timeline[m_nextKeyframe++];
        for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
            if (keyframe.changes[slot]) {
                keyframe.changes[slot]->ApplyTo(m_states[slot]);
            }
        }
    }
}

int32_t Simulation::SupportedDevices(uint64_t* mask) const
{
    if (mask == nullptr) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    uint64_t devices = 0;
    for (Slot slot : kSlots) {
        if (m_scenario.controllers[static_cast<std::size_t>(slot)]) {
            devices |= uint64_t{1} << DeviceTypeOf(slot);
        }
    }
    *mask = devices;
    return 0;
}

int32_t Simulation::DeviceInputType(OLVA_DeviceType device, uint64_t* inputType) const
{
    const std::optional<Slot> slot = SlotOf(device);
    if (inputType == nullptr || !slot || !m_scenario.controllers[static_cast<std::size_t>(*slot)]) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    *inputType = static_cast<uint64_t>(*m_scenario.controllers[static_cast<std::size_t>(*slot)]);
    return 0;
}

int32_t Simulation::IsConnected(OLVA_DeviceType device, uint32_t* connected) const
{
    const std::optional<Slot> slot = SlotOf(device);
    if (connected == nullptr || !slot) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    const auto index = static_cast<std::size_t>(*slot);
    *connected = m_scenario.controllers[index] && m_states[index].connected ? 1 : 0;
    return 0;
}

const ControllerState* Simulation::Addressed(OLVA_DeviceType device, OLVA_Device_InputType inputType,
                                             Kind* kind) const
{
    const std::optional<Slot> slot = SlotOf(device);
    if (!slot) {
        return nullptr;
    }
    const auto index = static_cast<std::size_t>(*slot);
    const std::optional<Kind>& present = m_scenario.controllers[index];
    if (!present || static_cast<OLVA_Device_InputType>(*present) != inputType) {
        return nullptr;
    }
    *kind = *present;
    return &m_states[index];
}

int32_t Simulation::ClickStates(OLVA_DeviceType device, OLVA_Device_InputType inputType, uint64_t* states) const
{
    Kind kind{};
    const ControllerState* state = Addressed(device, inputType, &kind);
    if (states == nullptr || state == nullptr) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    *states = state->connected ? ControlMask(kind, state->pressed) : 0;
    return 0;
}

int32_t Simulation::TouchStates(OLVA_DeviceType device, OLVA_Device_InputType inputType, uint64_t* states) const
{
    Kind kind{};
    const ControllerState* state = Addressed(device, inputType, &kind);
    if (states == nullptr || state == nullptr) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    // A finger on a pressed control touches it too.
    *states = state->connected ? ControlMask(kind, state->pressed | state->touched) : 0;
    return 0;
}

int32_t Simulation::InputIdConfiguration(OLVA_DeviceType device, OLVA_Device_InputType inputType,
                                         uint32_t inputId, uint64_t* configuration) const
{
    Kind kind{};
    const ControllerState* state = Addressed(device, inputType, &kind);
    if (configuration == nullptr || state == nullptr) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    const AnalogIds ids = AnalogIdsOf(kind);
    if (inputId == ids.position) {
        *configuration = kTwoAxisConfiguration;
    } else if (inputId == ids.trigger || inputId == ids.grip) {
        *configuration = kOneAxisConfiguration;
    } else {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    return 0;
}

int32_t Simulation::AnalogState(OLVA_DeviceType device, OLVA_Device_InputType inputType, uint32_t inputId,
                                OLVA_Vector2f* value) const
{
    // Answers exactly the ids whose configuration query succeeds, so that a
    // caller who checked the configuration always gets a vector.
    Kind kind{};
    const ControllerState* state = Addressed(device, inputType, &kind);
    if (value == nullptr || state == nullptr) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    const AnalogIds ids = AnalogIdsOf(kind);
    OLVA_Vector2f vector{};
    if (inputId == ids.position) {
        vector = {state->stickX, state->stickY};
    } else if (inputId == ids.trigger) {
        vector = {state->trigger, 0.0f};
    } else if (inputId == ids.grip) {
        vector = {state->grip, 0.0f};
    } else {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    *value = state->connected ? vector : OLVA_Vector2f{0.0f, 0.0f};
    return 0;
}

}  // namespace olva::sim
