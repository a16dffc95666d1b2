#include "message.h"

namespace olva::diagnostics {

void WriteMessage(std::string_view text, char* out, std::size_t outSize) noexcept
{
    if (out == nullptr || outSize == 0) {
        return;
    }
    std::size_t length = text.size() < outSize ? text.size() : outSize - 1;
    // Never end inside a multi-byte character: back off over continuation
    // bytes to the lead byte, and drop that too when the cut fell after it.
    if (length < text.size()) {
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0u) == 0x80u) {
            --length;
        }
    }
    for (std::size_t i = 0; i < length; ++i) {
        const char c = text[i];
        out[i] = (c == '\n' || c == '\r') ? ' ' : c;
    }
    out[length] = '\0';
}

}  // namespace olva::diagnostics
