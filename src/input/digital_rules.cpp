#include "input/digital_rules.h"

#include "input/olva_input.h"

extern "C" {
#define OLVA_DEFINE_EDGE_FLAG_(flag) bool flag = false;
OLVA_EDGE_FLAGS(OLVA_DEFINE_EDGE_FLAG_)
#undef OLVA_DEFINE_EDGE_FLAG_
}

namespace olva::input {

namespace {
constexpr std::string_view kAnyKind{};
constexpr std::string_view kAnyMode{};
constexpr std::string_view kStick[2] = {"/input/joystick", "/input/trackpad"};
constexpr Button kNoButton = Button::A;
constexpr Direction kNoDirection = Direction::East;
}  // namespace

// Tried in this order; the first rule that matches decides.
const DigitalRule kDigitalRules[kDigitalRuleCount] = {
    // #  component path                   kind      mode    decision            button          direction         right flag            left flag            last state
    {1,  {"/input/grip"},                  "click",  kAnyMode, Decision::ClickBit,  Button::Grip,    kNoDirection,     &_rightGripPressed,    &_leftGripPressed,    LastState::OfHand},
    {2,  {"/input/trigger"},               "click",  kAnyMode, Decision::ClickBit,  Button::Trigger, kNoDirection,     &_rightTriggerPressed, &_leftTriggerPressed, LastState::OfHand},
    {3,  {"/input/trigger"},               "touch",  kAnyMode, Decision::TouchBit,  Button::Trigger, kNoDirection,     &_rightTriggerTouched, &_leftTriggerTouched, LastState::OfHand},
    {4,  {kStick[0], kStick[1]},           "east",   "dpad",   Decision::Direction, kNoButton,       Direction::East,  &_rightJoystickEast,   &_leftJoystickEast,   LastState::OfHand},
    {5,  {kStick[0], kStick[1]},           "west",   "dpad",   Decision::Direction, kNoButton,       Direction::West,  &_rightJoystickWest,   &_leftJoystickWest,   LastState::OfHand},
    {6,  {kStick[0], kStick[1]},           "north",  "dpad",   Decision::Direction, kNoButton,       Direction::North, &_rightJoystickNorth,  &_leftJoystickNorth,  LastState::OfHand},
    {7,  {kStick[0], kStick[1]},           "south",  "dpad",   Decision::Direction, kNoButton,       Direction::South, &_rightJoystickSouth,  &_leftJoystickSouth,  LastState::OfHand},
    {8,  {kStick[0], kStick[1]},           "click",  kAnyMode, Decision::ClickBit,  Button::Thumb,   kNoDirection,     &_rightThumbPressed,   &_leftThumbPressed,   LastState::OfHand},
    {9,  {kStick[0], kStick[1]},           "touch",  kAnyMode, Decision::TouchBit,  Button::Thumb,   kNoDirection,     &_rightThumbTouched,   &_leftThumbTouched,   LastState::OfHand},
    {10, {"/input/a"},                     "click",  kAnyMode, Decision::ClickBit,  Button::A,       kNoDirection,     &_aButtonPressed,      &_aButtonPressed,     LastState::AlwaysRight},
    {11, {"/input/a"},                     "touch",  kAnyMode, Decision::TouchBit,  Button::A,       kNoDirection,     &_aButtonTouched,      &_aButtonTouched,     LastState::AlwaysRight},
    {12, {"/input/x"},                     "click",  kAnyMode, Decision::ClickBit,  Button::X,       kNoDirection,     &_xButtonPressed,      &_xButtonPressed,     LastState::AlwaysLeft},
    {13, {"/input/x"},                     "touch",  kAnyMode, Decision::TouchBit,  Button::X,       kNoDirection,     &_xButtonTouched,      &_xButtonTouched,     LastState::AlwaysLeft},
    {14, {"/input/b"},                     "click",  kAnyMode, Decision::ClickBit,  Button::B,       kNoDirection,     &_bButtonPressed,      &_bButtonPressed,     LastState::AlwaysRight},
    {15, {"/input/b"},                     "touch",  kAnyMode, Decision::TouchBit,  Button::B,       kNoDirection,     &_bButtonTouched,      &_bButtonTouched,     LastState::AlwaysRight},
    {16, {"/input/y"},                     "click",  kAnyMode, Decision::ClickBit,  Button::Y,       kNoDirection,     &_yButtonPressed,      &_yButtonPressed,     LastState::AlwaysLeft},
    {17, {"/input/y"},                     "touch",  kAnyMode, Decision::TouchBit,  Button::Y,       kNoDirection,     &_yButtonTouched,      &_yButtonTouched,     LastState::AlwaysLeft},
    {18, {"/input/system"},                kAnyKind, kAnyMode, Decision::Never,     kNoButton,       kNoDirection,     nullptr,               nullptr,              LastState::OfHand},
    {19, {"/input/menu"},                  "click",  kAnyMode, Decision::ClickBit,  Button::Menu,    kNoDirection,     &_menuButtonPressed,   &_menuButtonPressed,  LastState::OfHand},
};

const DigitalRule* DigitalRuleByNumber(int number) noexcept
{
    if (number < 1 || number > kDigitalRuleCount) {
        return nullptr;
    }
    return &kDigitalRules[number - 1];
}

int MatchDigitalRule(std::string_view componentPath, std::string_view inputKind, std::string_view mode) noexcept
{
    for (const DigitalRule& rule : kDigitalRules) {
        const bool pathMatches = EqualsIgnoreCase(componentPath, rule.componentPaths[0]) ||
                                 (!rule.componentPaths[1].empty() && EqualsIgnoreCase(componentPath, rule.componentPaths[1]));
        if (!pathMatches) {
            continue;
        }
        if (!rule.inputKind.empty() && !EqualsIgnoreCase(inputKind, rule.inputKind)) {
            continue;
        }
        if (!rule.mode.empty() && !EqualsIgnoreCase(mode, rule.mode)) {
            continue;
        }
        return rule.number;
    }
    return 0;
}

uint64_t ButtonBit(Button button, OLVA_Device_InputType inputType) noexcept
{
    // Bit numbers, indexed by Button: A, B, X, Y, menu, grip, trigger, thumb.
    // On the touch controller menu, grip and trigger share the B, X and Y bits.
    static constexpr uint8_t kJoystickController[] = {1, 2, 3, 4, 6, 7, 8, 9};
    static constexpr uint8_t kTouchController[] = {1, 2, 3, 4, 2, 3, 4, 5};

    const auto index = static_cast<std::size_t>(button);
    switch (inputType) {
    case OLVA_INPUT_TYPE_JOYSTICK:
        return uint64_t{1} << kJoystickController[index];
    case OLVA_INPUT_TYPE_TOUCH:
        return uint64_t{1} << kTouchController[index];
    default:
        return 0;
    }
}

int AnalogSlotFor(std::string_view componentPath) noexcept
{
    struct Row {
        std::string_view componentPath;
        int slot;
    };
    static constexpr Row kRows[] = {
        {"/input/trackpad", 0},
        {"/input/joystick", 0},
        {"/input/trigger", 1},
        {"/input/grip", 2},
    };
    for (const Row& row : kRows) {
        if (EqualsIgnoreCase(componentPath, row.componentPath)) {
            return row.slot;
        }
    }
    return -1;
}

}  // namespace olva::input
