// Small helpers for the words of findings: quoting, the closest known name
// for a misspelt one, and paths shown without doubled separators.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace olva::check {

// The text between double quotes.
std::string Quoted(std::string_view text);

// The candidate closest to name, ignoring ASCII letter case, when it is close
// enough to be a likely misspelling (a few letters added, dropped, changed or
// swapped); empty when none is. A candidate equal to name is not offered.
std::string ClosestName(std::string_view name, const std::vector<std::string>& candidates);

// "; did you mean \"jump\"?" for the closest candidate, or "" when none is
// close. For a path-like name such as "/actions/main/in/jump" its last
// segment is tried as well.
std::string DidYouMean(std::string_view name, const std::vector<std::string>& candidates);

// The words for a controller kind the runtime reports ("touch controller",
// "joystick controller", "gamepad"), or null for any other input type, which
// each report words in its own way.
inline const char* ControllerKindWords(int64_t inputType) noexcept
{
    switch (inputType) {
    case 2:
        return "touch controller";
    case 3:
        return "joystick controller";
    case 4:
        return "gamepad";
    default:
        return nullptr;
    }
}

// The path with every run of "/" written as one, for messages: the library
// reads "a//b" as "a/b" too.
std::string ShownPath(std::string_view path);

}  // namespace olva::check
