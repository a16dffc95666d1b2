// Human output: colour when it goes to a terminal, and text laid out for an
// 80-column terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace olva::check {

inline constexpr std::size_t kLineWidth = 80;

// Colour is used only when standard output is a terminal, NO_COLOR is not set
// (to any value) and TERM is not "dumb".
bool ColourWanted();

class Style {
public:
    explicit Style(bool colour) : m_colour(colour) {}

    std::string Bold(std::string_view text) const { return Wrap("1", text); }
    std::string Dim(std::string_view text) const { return Wrap("2", text); }
    std::string Red(std::string_view text) const { return Wrap("1;31", text); }
    std::string Yellow(std::string_view text) const { return Wrap("33", text); }
    std::string Green(std::string_view text) const { return Wrap("32", text); }
    std::string Cyan(std::string_view text) const { return Wrap("36", text); }

private:
    std::string Wrap(const char* code, std::string_view text) const;
    bool m_colour;
};

// Breaks text into lines of at most width columns at spaces; every line but
// the first starts with indent spaces. A word longer than a line (a long
// path) gets a line of its own rather than being cut.
std::vector<std::string> WrapWords(std::string_view text, std::size_t width, std::size_t indent);

// Lays items out in as many columns as fit in width after indent, filled
// column by column, each row as one string.
std::vector<std::string> Columns(const std::vector<std::string>& items, std::size_t indent,
                                 std::size_t width = kLineWidth);

// text padded with spaces to width columns (bytes; the texts are ASCII).
std::string Pad(std::string_view text, std::size_t width);

}  // namespace olva::check
