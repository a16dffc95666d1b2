#include "terminal.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace olva::check {

bool ColourWanted()
{
    if (std::getenv("NO_COLOR") != nullptr) {
        return false;
    }
    const char* term = std::getenv("TERM");
    if (term != nullptr && std::strcmp(term, "dumb") == 0) {
        return false;
    }
    return isatty(STDOUT_FILENO) == 1;
}

std::string Style::Wrap(const char* code, std::string_view text) const
{
    if (!m_colour) {
        return std::string(text);
    }
    std::string out = "\x1b[";
    out += code;
    out += 'm';
    out += text;
    out += "\x1b[0m";
    return out;
}

std::vector<std::string> WrapWords(std::string_view text, std::size_t width, std::size_t indent)
{
    std::vector<std::string> lines;
    std::string line;
    std::size_t start = 0;
    while (start < text.size()) {
        while (start < text.size() && text[start] == ' ') {
            ++start;
        }
        if (start >= text.size()) {
            break;
        }
        std::size_t end = text.find(' ', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view word = text.substr(start, end - start);
        start = end;
        if (line.empty()) {
            line.assign(lines.empty() ? 0 : indent, ' ');
            line += word;
        } else if (line.size() + 1 + word.size() <= width) {
            line += ' ';
            line += word;
        } else {
            lines.push_back(std::move(line));
            line.assign(indent, ' ');
            line += word;
        }
    }
    if (!line.empty() || lines.empty()) {
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::string> Columns(const std::vector<std::string>& items, std::size_t indent, std::size_t width)
{
    std::vector<std::string> rows;
    if (items.empty()) {
        return rows;
    }
    std::size_t cell = 0;
    for (const std::string& item : items) {
        cell = std::max(cell, item.size());
    }
    constexpr std::size_t kGap = 2;
    const std::size_t room = width > indent ? width - indent : 1;
    const std::size_t columns = std::max<std::size_t>(1, (room + kGap) / (cell + kGap));
    const std::size_t rowCount = (items.size() + columns - 1) / columns;
    for (std::size_t row = 0; row < rowCount; ++row) {
        std::string line(indent, ' ');
        for (std::size_t column = 0; column < columns; ++column) {
            const std::size_t index = column * rowCount + row;
            if (index >= items.size()) {
                break;
            }
            const bool last = column + 1 == columns || index + rowCount >= items.size();
            line += last ? items[index] : Pad(items[index], cell + kGap);
        }
        rows.push_back(std::move(line));
    }
    return rows;
}

std::string Pad(std::string_view text, std::size_t width)
{
    std::string out(text);
    if (out.size() < width) {
        out.append(width - out.size(), ' ');
    }
    return out;
}

}  // namespace olva::check
