#include "source_verdict.h"

#include "input/digital_rules.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace olva::check {

using olva::input::EqualsIgnoreCase;

namespace {

const char* ButtonName(olva::input::Button button) noexcept
{
    using olva::input::Button;
    switch (button) {
    case Button::A: return "A";
    case Button::B: return "B";
    case Button::X: return "X";
    case Button::Y: return "Y";
    case Button::Menu: return "menu";
    case Button::Grip: return "grip";
    case Button::Trigger: return "trigger";
    case Button::Thumb: return "thumb";
    }
    return "?";
}

const char* DirectionName(olva::input::Direction direction) noexcept
{
    using olva::input::Direction;
    switch (direction) {
    case Direction::East: return "east";
    case Direction::West: return "west";
    case Direction::North: return "north";
    case Direction::South: return "south";
    }
    return "?";
}

}  // namespace

std::string BitText(uint64_t mask)
{
    char hex[24];
    std::snprintf(hex, sizeof hex, "0x%llx", static_cast<unsigned long long>(mask));
    return "bit " + std::to_string(__builtin_ctzll(mask)) + " (" + hex + ")";
}

namespace {

bool RulePathMatches(const olva::input::DigitalRule& rule, std::string_view component)
{
    return EqualsIgnoreCase(component, rule.componentPaths[0]) ||
           (!rule.componentPaths[1].empty() && EqualsIgnoreCase(component, rule.componentPaths[1]));
}

}  // namespace

// The rule table's verdict on a boolean action's source; when no rule
// recognises it, the reason is read from the table as well.
Verdict DigitalVerdict(std::string_view component, std::string_view inputKind, std::string_view mode)
{
    using olva::input::Decision;
    Verdict verdict;
    const olva::input::DigitalRule* rule =
        olva::input::DigitalRuleByNumber(olva::input::MatchDigitalRule(component, inputKind, mode));
    if (rule != nullptr && rule->decision != Decision::Never) {
        verdict.effect = "digital";
        verdict.rule = rule->number;
        const std::string prefix = "rule " + std::to_string(rule->number) + ": ";
        if (rule->decision == Decision::Direction) {
            verdict.direction = DirectionName(rule->direction);
            verdict.text = prefix + verdict.direction + " of the stick or pad position (analog[0])";
        } else {
            const char* mask = rule->decision == Decision::ClickBit ? "click" : "touch";
            verdict.mask = mask;
            verdict.joystickBit = __builtin_ctzll(olva::input::ButtonBit(rule->button, OLVA_INPUT_TYPE_JOYSTICK));
            verdict.touchBit = __builtin_ctzll(olva::input::ButtonBit(rule->button, OLVA_INPUT_TYPE_TOUCH));
            verdict.text = prefix + ButtonName(rule->button) + " " + mask + ", " +
                           BitText(olva::input::ButtonBit(rule->button, OLVA_INPUT_TYPE_JOYSTICK)) + " joystick / " +
                           BitText(olva::input::ButtonBit(rule->button, OLVA_INPUT_TYPE_TOUCH)).substr(4) + " touch";
        }
        return verdict;
    }

    verdict.effect = "none";
    if (rule != nullptr) {
        verdict.rule = rule->number;
        verdict.code = "system-button";
        verdict.text = "never reported: rule " + std::to_string(rule->number) + " recognises " + Quoted(component) +
                       " only to report nothing";
        return verdict;
    }
    bool pathKnown = false;
    bool kindKnown = false;
    std::string modeNeeded;
    std::vector<std::string> kindsOfPath;
    for (const olva::input::DigitalRule& candidate : olva::input::kDigitalRules) {
        const bool kindMatches = candidate.inputKind.empty() || EqualsIgnoreCase(inputKind, candidate.inputKind);
        kindKnown = kindKnown || (!candidate.inputKind.empty() && kindMatches);
        if (!RulePathMatches(candidate, component)) {
            continue;
        }
        pathKnown = true;
        const std::string kind = Quoted(candidate.inputKind);
        if (!candidate.inputKind.empty() && std::find(kindsOfPath.begin(), kindsOfPath.end(), kind) == kindsOfPath.end()) {
            kindsOfPath.push_back(kind);
        }
        if (kindMatches && !candidate.mode.empty()) {
            modeNeeded = std::string(candidate.mode);
        }
    }
    if (!modeNeeded.empty()) {
        verdict.code = "direction-needs-dpad";
        verdict.text = "never active: input " + Quoted(inputKind) + " on " + Quoted(component) +
                       " is read only with mode " + Quoted(modeNeeded) + ", not " + Quoted(mode);
    } else if (!kindKnown) {
        verdict.code = "input-kind-not-digital";
        verdict.text = "never active: no rule reads input " + Quoted(inputKind) + " for a boolean action";
    } else if (!pathKnown) {
        verdict.code = "unrecognised-source";
        verdict.text = "never active: no rule reads " + Quoted(component) + ComponentSuggestion(component);
    } else {
        std::string kinds;
        for (const std::string& kind : kindsOfPath) {
            kinds += (kinds.empty() ? "" : " and ") + kind;
        }
        verdict.code = "unrecognised-source";
        verdict.text = "never active: on " + Quoted(component) + " a boolean action reads only " + kinds;
    }
    return verdict;
}

std::string ComponentSuggestion(std::string_view component)
{
    // Every component path the rule table names; the analog slots read a
    // subset of them.
    static const std::vector<std::string> kComponents = [] {
        std::vector<std::string> names;
        for (const olva::input::DigitalRule& rule : olva::input::kDigitalRules) {
            for (std::string_view path : rule.componentPaths) {
                if (!path.empty() && std::find(names.begin(), names.end(), path) == names.end()) {
                    names.emplace_back(path);
                }
            }
        }
        return names;
    }();
    const bool known = std::any_of(kComponents.begin(), kComponents.end(),
                                   [&](const std::string& name) { return EqualsIgnoreCase(name, component); });
    return known ? std::string() : DidYouMean(component, kComponents);
}

const char* SlotName(int slot) noexcept
{
    switch (slot) {
    case 0: return "stick or pad position";
    case 1: return "trigger";
    case 2: return "grip";
    default: return "?";
    }
}

}  // namespace olva::check
