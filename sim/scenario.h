// The simulated runtime's scenario: which controllers are present, of which
// kind, and a timeline of their states frame by frame.
//
// ParseScenario is pure and deterministic: it reads only its text argument
// and writes only its two output arguments.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace olva::sim {

// The three controller slots, one per device type the runtime reports.
enum class Slot : uint8_t { Right, Left, Gamepad };
inline constexpr std::size_t kSlotCount = 3;
inline constexpr std::array<Slot, kSlotCount> kSlots = {Slot::Right, Slot::Left, Slot::Gamepad};

// Controller kinds; the number is the input type the runtime reports.
enum class Kind : uint8_t { Touch = 2, Joystick = 3, Gamepad = 4 };

// Named controls, as scenario texts write them ("trigger", "grip", ...).
enum class Control : uint8_t { Trigger, Grip, A, B, X, Y, Menu, Thumbstick };
inline constexpr std::size_t kControlCount = 8;

using ControlSet = uint8_t;  // bit n: Control n

constexpr ControlSet Bit(Control control) { return static_cast<ControlSet>(1u << static_cast<unsigned>(control)); }

// The state of one controller at one frame.
struct ControllerState {
    bool connected = true;
    ControlSet pressed = 0;
    ControlSet touched = 0;  // as scripted; a pressed control also reports touched
    float stickX = 0.0f;
    float stickY = 0.0f;
    float trigger = 0.0f;
    float grip = 0.0f;

    bool operator==(const ControllerState& other) const;
};

// What one timeline entry changes for one controller; absent fields keep
// their values.
struct ControllerChange {
    std::optional<bool> connected;
    std::optional<ControlSet> pressed;
    std::optional<ControlSet> touched;
    std::optional<std::array<float, 2>> stick;
    std::optional<float> trigger;
    std::optional<float> grip;

    void ApplyTo(ControllerState& state) const;
};

struct Keyframe {
    int64_t frame = 0;
    std::array<std::optional<ControllerChange>, kSlotCount> changes;  // by Slot
};

struct Scenario {
    std::string name;
    std::array<std::optional<Kind>, kSlotCount> controllers;  // by Slot; empty: absent
    uint64_t xrFeatures = 0;                                   // feature values ORed together
    std::vector<Keyframe> timeline;                            // frames strictly ascending
};

// Limits that keep a hostile scenario text cheap to read.
inline constexpr std::size_t kMaxScenarioBytes = 4u << 20;
inline constexpr int kMaxNestingDepth = 16;
inline constexpr int64_t kMaxFrame = 100'000'000;

// Parses a scenario document. On success fills out and returns true; on
// failure leaves out unchanged, sets error to one line naming the place and
// the problem (e.g. `timeline[2].right.pressed[0]: unknown control "trgger"`)
// and returns false. Never throws.
bool ParseScenario(std::string_view text, Scenario& out, std::string& error);

// Reads a scenario file and parses it; error names the file.
bool LoadScenarioFile(const std::string& path, Scenario& out, std::string& error);

// Scenario texts of the enumerations.
std::string_view SlotName(Slot slot);
std::string_view KindName(Kind kind);
std::string_view ControlName(Control control);

}  // namespace olva::sim
