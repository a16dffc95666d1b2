// The fixed tables behind digital and analog action data: the ordered rule
// table that recognises a source by component path, input kind and mode; the
// button bits of each controller kind; and the analog slot of each
// component path.
#pragma once

#include <olva/olva_framework.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace olva::input {

// The inputs whose bit a rule reads from the click or touch mask.
enum class Button : uint8_t { A, B, X, Y, Menu, Grip, Trigger, Thumb };

enum class Direction : uint8_t { East, West, North, South };

enum class Decision : uint8_t {
    ClickBit,   // the button's bit of the click mask
    TouchBit,   // the button's bit of the touch mask
    Direction,  // a direction test on analog[0]
    Never,      // recognised by path, yet the source counts as unrecognised
};

// Which of the source's last-state fields a rule reads and writes.
enum class LastState : uint8_t { OfHand, AlwaysRight, AlwaysLeft };

// The edge flags that some rule reads and writes: 27 of the 31 exported
// ones, in their declaration order. The system button, the menu touch and
// the two grip touches have no rule.
enum class EdgeFlag : uint8_t {
    RightTriggerPressed, RightGripPressed, RightThumbPressed, AButtonPressed, BButtonPressed,
    LeftTriggerPressed, LeftGripPressed, LeftThumbPressed, XButtonPressed, YButtonPressed,
    MenuButtonPressed, AButtonTouched, BButtonTouched, XButtonTouched, YButtonTouched,
    RightTriggerTouched, LeftTriggerTouched, RightThumbTouched, LeftThumbTouched,
    RightJoystickEast, RightJoystickWest, RightJoystickNorth, RightJoystickSouth,
    LeftJoystickEast, LeftJoystickWest, LeftJoystickNorth, LeftJoystickSouth,
    None,  // for the rule that never decides
};
inline constexpr int kUsedEdgeFlagCount = static_cast<int>(EdgeFlag::None);
static_assert(kUsedEdgeFlagCount == 27, "27 of the 31 edge flags belong to a rule");

// The exported globals behind the flags, indexed by EdgeFlag.
extern bool* const kEdgeFlagAddress[kUsedEdgeFlagCount];

inline bool& EdgeFlagValue(EdgeFlag flag) noexcept
{
    return *kEdgeFlagAddress[static_cast<int>(flag)];
}

// The flags as they stood when a hand evaluation began: the "previous"
// values for every source it scans, also after an earlier source of the
// scan has moved a flag. Each flag is read at its first use, which always
// comes before the scan can write it, so this equals reading all of them at
// the start, without paying for the flags the scan never reaches.
class EdgeFlagCapture {
public:
    bool operator[](EdgeFlag flag) noexcept
    {
        const uint32_t bit = uint32_t{1} << static_cast<int>(flag);
        if ((m_read & bit) == 0) {
            m_read |= bit;
            if (EdgeFlagValue(flag)) {
                m_values |= bit;
            }
        }
        return (m_values & bit) != 0;
    }

private:
    uint32_t m_read = 0;
    uint32_t m_values = 0;
};
static_assert(kUsedEdgeFlagCount <= 32, "one bit per flag");

struct DigitalRule {
    uint8_t number;                      // 1-based, as the rules are numbered
    std::string_view componentPaths[2];  // the second is empty when one path
    std::string_view inputKind;          // empty: any input kind
    std::string_view mode;               // empty: the mode is not looked at
    Decision decision;
    Button button;        // for ClickBit and TouchBit
    Direction direction;  // for Direction
    EdgeFlag rightFlag;   // edge flag when the right hand is evaluated
    EdgeFlag leftFlag;    // edge flag when the left hand is evaluated
    LastState lastState;
};

inline constexpr int kDigitalRuleCount = 19;
extern const DigitalRule kDigitalRules[kDigitalRuleCount];

// The rule with this number (1..19), or null for 0 and out-of-range numbers.
inline const DigitalRule* DigitalRuleByNumber(int number) noexcept
{
    return number >= 1 && number <= kDigitalRuleCount ? &kDigitalRules[number - 1] : nullptr;
}

// Number of the first rule whose component path, input kind and mode (where
// the rule names them) equal the source's, ignoring ASCII case; 0 for none.
int MatchDigitalRule(std::string_view componentPath, std::string_view inputKind, std::string_view mode) noexcept;

// The number of a button's bit: the joystick controller's for input type 3,
// the touch controller's for every other type (which then decides nothing).
// This is the input code that selects a bit decision.
inline uint32_t ButtonBitNumber(Button button, OLVA_Device_InputType inputType) noexcept
{
    // Indexed by Button: A, B, X, Y, menu, grip, trigger, thumb. On the
    // touch controller menu, grip and trigger share the B, X and Y bits.
    static constexpr uint8_t kJoystickController[] = {1, 2, 3, 4, 6, 7, 8, 9};
    static constexpr uint8_t kTouchController[] = {1, 2, 3, 4, 2, 3, 4, 5};

    const auto index = static_cast<std::size_t>(button);
    return inputType == OLVA_INPUT_TYPE_JOYSTICK ? kJoystickController[index] : kTouchController[index];
}

// The mask bit of a button for a controller kind: input type 3 (joystick
// controller) or 2 (touch controller). 0 for every other input type, so no
// bit decision is ever on for them.
inline uint64_t ButtonBit(Button button, OLVA_Device_InputType inputType) noexcept
{
    if (inputType != OLVA_INPUT_TYPE_JOYSTICK && inputType != OLVA_INPUT_TYPE_TOUCH) {
        return 0;
    }
    return uint64_t{1} << ButtonBitNumber(button, inputType);
}

// The input code that selects a direction decision: 10 to 13 (west, north,
// east, south) for input type 3, 6 to 9 for every other type.
inline uint32_t DirectionCode(Direction direction, OLVA_Device_InputType inputType) noexcept
{
    // Indexed by Direction: east, west, north, south.
    static constexpr uint8_t kJoystickController[] = {12, 10, 11, 13};
    static constexpr uint8_t kOtherControllers[] = {8, 6, 7, 9};

    const auto index = static_cast<std::size_t>(direction);
    return inputType == OLVA_INPUT_TYPE_JOYSTICK ? kJoystickController[index] : kOtherControllers[index];
}

// Index into InputSnapshot::analog read by an analog action for this
// component path (ignoring case): 0 trackpad or joystick, 1 trigger, 2 grip;
// -1 when none.
int AnalogSlotFor(std::string_view componentPath) noexcept;

// Length of the user path that starts a source path of this hand.
inline constexpr std::size_t kLeftUserPathLength = 15;   // "/user/hand/left"
inline constexpr std::size_t kRightUserPathLength = 16;  // "/user/hand/right"

}  // namespace olva::input
