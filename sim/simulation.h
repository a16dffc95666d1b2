// One simulated runtime: the scenario, the frame counter and the controller
// states of the current frame, answered in the shape the runtime interface
// asks for. Entry points in sim_runtime.cpp check the handle and delegate.
#pragma once

#include "scenario.h"

#include <olva/olva_framework.h>

#include <array>
#include <cstdint>

namespace olva::sim {

// Device type of each slot and back; nullopt for other device types.
OLVA_DeviceType DeviceTypeOf(Slot slot);
std::optional<Slot> SlotOf(OLVA_DeviceType device);

// The click or touch mask bits of a set of controls on a controller kind.
// Touch controller: a 1, b 2, x 3, y 4, menu 2, grip 3, trigger 4,
// thumbstick 5 (menu, grip and trigger share the b, x and y bits). Joystick
// controller and gamepad: a 1, b 2, x 3, y 4, menu 6, grip 7, trigger 8,
// thumbstick 9.
uint64_t ControlMask(Kind kind, ControlSet controls);

// Analog input ids of a controller kind: stick position, trigger, grip.
struct AnalogIds {
    uint32_t position;
    uint32_t trigger;
    uint32_t grip;
};
AnalogIds AnalogIdsOf(Kind kind);

// Configuration byte of an analog input id: 0x8 two axes (the stick), 0x4
// one axis (trigger, grip).
inline constexpr uint64_t kTwoAxisConfiguration = 0x8;
inline constexpr uint64_t kOneAxisConfiguration = 0x4;

class Simulation {
public:
    explicit Simulation(Scenario scenario);

    // Moves to the next frame and applies its timeline entry. Frame -1 is
    // the state before the first call: every controller connected and idle.
    void AdvanceFrame();
    int64_t frame() const { return m_frame; }
    const Scenario& scenario() const { return m_scenario; }
    const ControllerState& state(Slot slot) const { return m_states[static_cast<std::size_t>(slot)]; }

    // The runtime's answers. Every one returns 0 or OLVA_RESULT_INVALID_ARGUMENT
    // (null output, a device type that is not present, an input type that is
    // not the device's, an unknown input id) and writes its output only on 0.
    int32_t SupportedDevices(uint64_t* mask) const;
    int32_t DeviceInputType(OLVA_DeviceType device, uint64_t* inputType) const;
    // A device type of 3, 4 or 13 that is absent answers 0 and "not connected".
    int32_t IsConnected(OLVA_DeviceType device, uint32_t* connected) const;
    // A disconnected controller reports nothing pressed, touched or deflected.
    int32_t ClickStates(OLVA_DeviceType device, OLVA_Device_InputType inputType, uint64_t* states) const;
    int32_t TouchStates(OLVA_DeviceType device, OLVA_Device_InputType inputType, uint64_t* states) const;
    int32_t InputIdConfiguration(OLVA_DeviceType device, OLVA_Device_InputType inputType, uint32_t inputId,
                                 uint64_t* configuration) const;
    int32_t AnalogState(OLVA_DeviceType device, OLVA_Device_InputType inputType, uint32_t inputId,
                        OLVA_Vector2f* value) const;

private:
    // The present controller of a device type whose kind has this input
    // type, or null.
    const ControllerState* Addressed(OLVA_DeviceType device, OLVA_Device_InputType inputType, Kind* kind) const;

    Scenario m_scenario;
    int64_t m_frame = -1;
    std::size_t m_nextKeyframe = 0;
    std::array<ControllerState, kSlotCount> m_states{};
};

}  // namespace olva::sim
