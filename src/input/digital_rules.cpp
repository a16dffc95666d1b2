#include "input/digital_rules.h"

#include "input/olva_input.h"

extern "C" {
#define OLVA_DEFINE_EDGE_FLAG_(flag) bool flag = false;
OLVA_EDGE_FLAGS(OLVA_DEFINE_EDGE_FLAG_)
#undef OLVA_DEFINE_EDGE_FLAG_
}

namespace olva::input {

bool* const kEdgeFlagAddress[kUsedEdgeFlagCount] = {
    &_rightTriggerPressed, &_rightGripPressed, &_rightThumbPressed, &_aButtonPressed, &_bButtonPressed,
    &_leftTriggerPressed, &_leftGripPressed, &_leftThumbPressed, &_xButtonPressed, &_yButtonPressed,
    &_menuButtonPressed, &_aButtonTouched, &_bButtonTouched, &_xButtonTouched, &_yButtonTouched,
    &_rightTriggerTouched, &_leftTriggerTouched, &_rightThumbTouched, &_leftThumbTouched,
    &_rightJoystickEast, &_rightJoystickWest, &_rightJoystickNorth, &_rightJoystickSouth,
    &_leftJoystickEast, &_leftJoystickWest, &_leftJoystickNorth, &_leftJoystickSouth,
};

namespace {
constexpr std::string_view kAnyKind{};
constexpr std::string_view kAnyMode{};
constexpr std::string_view kStick[2] = {"/input/joystick", "/input/trackpad"};
constexpr Button kNoButton = Button::A;
constexpr Direction kNoDirection = Direction::East;
}  // namespace

// Tried in this order; the first rule that matches decides.
const DigitalRule kDigitalRules[kDigitalRuleCount] = {
    // #    component path           kind      mode      decision             button           direction         right flag                     left flag                     last state
    {1,   {"/input/grip"},         "click",  kAnyMode, Decision::ClickBit,  Button::Grip,    kNoDirection,     EdgeFlag::RightGripPressed,    EdgeFlag::LeftGripPressed,    LastState::OfHand},
    {2,   {"/input/trigger"},      "click",  kAnyMode, Decision::ClickBit,  Button::Trigger, kNoDirection,     EdgeFlag::RightTriggerPressed, EdgeFlag::LeftTriggerPressed, LastState::OfHand},
    {3,   {"/input/trigger"},      "touch",  kAnyMode, Decision::TouchBit,  Button::Trigger, kNoDirection,     EdgeFlag::RightTriggerTouched, EdgeFlag::LeftTriggerTouched, LastState::OfHand},
    {4,   {kStick[0], kStick[1]},  "east",   "dpad",   Decision::Direction, kNoButton,       Direction::East,  EdgeFlag::RightJoystickEast,   EdgeFlag::LeftJoystickEast,   LastState::OfHand},
    {5,   {kStick[0], kStick[1]},  "west",   "dpad",   Decision::Direction, kNoButton,       Direction::West,  EdgeFlag::RightJoystickWest,   EdgeFlag::LeftJoystickWest,   LastState::OfHand},
    {6,   {kStick[0], kStick[1]},  "north",  "dpad",   Decision::Direction, kNoButton,       Direction::North, EdgeFlag::RightJoystickNorth,  EdgeFlag::LeftJoystickNorth,  LastState::OfHand},
    {7,   {kStick[0], kStick[1]},  "south",  "dpad",   Decision::Direction, kNoButton,       Direction::South, EdgeFlag::RightJoystickSouth,  EdgeFlag::LeftJoystickSouth,  LastState::OfHand},
    {8,   {kStick[0], kStick[1]},  "click",  kAnyMode, Decision::ClickBit,  Button::Thumb,   kNoDirection,     EdgeFlag::RightThumbPressed,   EdgeFlag::LeftThumbPressed,   LastState::OfHand},
    {9,   {kStick[0], kStick[1]},  "touch",  kAnyMode, Decision::TouchBit,  Button::Thumb,   kNoDirection,     EdgeFlag::RightThumbTouched,   EdgeFlag::LeftThumbTouched,   LastState::OfHand},
    {10,  {"/input/a"},            "click",  kAnyMode, Decision::ClickBit,  Button::A,       kNoDirection,     EdgeFlag::AButtonPressed,      EdgeFlag::AButtonPressed,     LastState::AlwaysRight},
    {11,  {"/input/a"},            "touch",  kAnyMode, Decision::TouchBit,  Button::A,       kNoDirection,     EdgeFlag::AButtonTouched,      EdgeFlag::AButtonTouched,     LastState::AlwaysRight},
    {12,  {"/input/x"},            "click",  kAnyMode, Decision::ClickBit,  Button::X,       kNoDirection,     EdgeFlag::XButtonPressed,      EdgeFlag::XButtonPressed,     LastState::AlwaysLeft},
    {13,  {"/input/x"},            "touch",  kAnyMode, Decision::TouchBit,  Button::X,       kNoDirection,     EdgeFlag::XButtonTouched,      EdgeFlag::XButtonTouched,     LastState::AlwaysLeft},
    {14,  {"/input/b"},            "click",  kAnyMode, Decision::ClickBit,  Button::B,       kNoDirection,     EdgeFlag::BButtonPressed,      EdgeFlag::BButtonPressed,     LastState::AlwaysRight},
    {15,  {"/input/b"},            "touch",  kAnyMode, Decision::TouchBit,  Button::B,       kNoDirection,     EdgeFlag::BButtonTouched,      EdgeFlag::BButtonTouched,     LastState::AlwaysRight},
    {16,  {"/input/y"},            "click",  kAnyMode, Decision::ClickBit,  Button::Y,       kNoDirection,     EdgeFlag::YButtonPressed,      EdgeFlag::YButtonPressed,     LastState::AlwaysLeft},
    {17,  {"/input/y"},            "touch",  kAnyMode, Decision::TouchBit,  Button::Y,       kNoDirection,     EdgeFlag::YButtonTouched,      EdgeFlag::YButtonTouched,     LastState::AlwaysLeft},
    {18,  {"/input/system"},       kAnyKind, kAnyMode, Decision::Never,     kNoButton,       kNoDirection,     EdgeFlag::None,                EdgeFlag::None,               LastState::OfHand},
    {19,  {"/input/menu"},         "click",  kAnyMode, Decision::ClickBit,  Button::Menu,    kNoDirection,     EdgeFlag::MenuButtonPressed,   EdgeFlag::MenuButtonPressed,  LastState::OfHand},
};

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
