// Writing a C caller's message buffer.
#pragma once

#include <cstddef>
#include <string_view>

namespace olva::diagnostics {

// Copies text into out (outSize bytes): on one line (line breaks become
// spaces), cut at a UTF-8 character boundary when it does not fit, always
// NUL-terminated. Does nothing when out is null or outSize is 0.
void WriteMessage(std::string_view text, char* out, std::size_t outSize) noexcept;

}  // namespace olva::diagnostics
