// What the library's digital rule table and analog slots make of one source
// of an action, with the words the report uses for it.
#pragma once

#include "bindings_model.h"
#include "wording.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace olva::check {

// The rule table's verdict on a boolean action's source; when no rule
// recognises it, the reason (and a warning code) is read from the table too.
Verdict DigitalVerdict(std::string_view component, std::string_view inputKind, std::string_view mode);

// "; did you mean ..." with the closest component path the library knows,
// for a component path it does not know; "" otherwise.
std::string ComponentSuggestion(std::string_view component);

// "stick or pad position", "trigger" or "grip".
const char* SlotName(int slot) noexcept;

// "bit 8 (0x100)" for a single-bit mask.
std::string BitText(uint64_t mask);

}  // namespace olva::check
