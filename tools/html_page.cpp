#include "html_page.h"

#include <cmath>
#include <cstdio>

namespace olva::check::html {

std::string Escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default:
            if ((byte < 0x20 && c != '\n' && c != '\t') || byte == 0x7F) {
                out += "\xEF\xBF\xBD";  // U+FFFD
            } else {
                out += c;
            }
        }
    }
    return out;
}

namespace {

bool IsContinuation(char c) noexcept { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Byte offset after `count` characters of text, or text.size().
std::size_t OffsetOfColumn(std::string_view text, std::size_t count) noexcept
{
    std::size_t i = 0;
    for (std::size_t seen = 0; i < text.size(); ++i) {
        if (!IsContinuation(text[i])) {
            if (seen == count) {
                return i;
            }
            ++seen;
        }
    }
    return i;
}

}  // namespace

std::size_t Columns(std::string_view text) noexcept
{
    std::size_t count = 0;
    for (const char c : text) {
        count += IsContinuation(c) ? 0 : 1;
    }
    return count;
}

std::vector<std::string> Wrap(std::string_view text, std::size_t columns)
{
    if (columns == 0) {
        columns = 1;
    }
    std::vector<std::string> lines;
    std::string line;
    std::size_t lineColumns = 0;
    auto flush = [&] {
        lines.push_back(line);
        line.clear();
        lineColumns = 0;
    };
    std::size_t start = 0;
    while (start < text.size()) {
        // One word and the spaces that end it.
        std::size_t end = text.find(' ', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view word = text.substr(start, end - start);
        start = end + 1;
        if (word.empty()) {
            continue;
        }
        std::size_t wordColumns = Columns(word);
        if (lineColumns > 0 && lineColumns + 1 + wordColumns > columns) {
            flush();
        }
        // A word longer than a line (the line is empty here) is cut into
        // pieces of a whole line.
        while (wordColumns > columns) {
            const std::size_t cut = OffsetOfColumn(word, columns);
            lines.emplace_back(word.substr(0, cut));
            word.remove_prefix(cut);
            wordColumns -= columns;
        }
        if (word.empty()) {
            continue;
        }
        if (lineColumns > 0) {
            line += ' ';
            ++lineColumns;
        }
        line += word;
        lineColumns += wordColumns;
    }
    if (!line.empty() || lines.empty()) {
        lines.push_back(line);
    }
    return lines;
}

std::string Number(double value, int decimals)
{
    if (!std::isfinite(value)) {
        return "0";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string out = text;
    if (out == "-0" || out.find_first_not_of("-0.") == std::string::npos) {
        out = decimals > 0 ? "0." + std::string(static_cast<std::size_t>(decimals), '0') : "0";
    }
    return out;
}

const char* const kBaseStyle = R"(
:root { color-scheme: light; }
body { margin: 24px 32px; font: 14px/1.45 "DejaVu Sans", "Liberation Sans", sans-serif; color: #1d2330;
       background: #f6f7f9; }
h1 { font-size: 22px; margin: 0 0 4px; }
h2 { font-size: 17px; margin: 28px 0 6px; }
code, .mono { font-family: "DejaVu Sans Mono", "Liberation Mono", monospace; font-size: 13px; }
.sub { color: #5a6273; margin: 0 0 12px; }
.card { background: #fff; border: 1px solid #dde1e8; border-radius: 8px; padding: 14px 18px; margin: 14px 0; }
.card > h2:first-child { margin-top: 2px; }
dl.facts { display: grid; grid-template-columns: max-content 1fr; gap: 2px 14px; margin: 6px 0; }
dl.facts dt { color: #5a6273; }
dl.facts dd { margin: 0; }
ul.findings { list-style: none; padding: 0; margin: 8px 0 0; }
ul.findings li { margin: 6px 0; padding: 6px 10px; border-left: 4px solid #d08a00; background: #fff8e6; }
ul.findings li.error { border-color: #c0392b; background: #fdecea; }
.code { font-weight: bold; }
.loc { color: #5a6273; font-family: "DejaVu Sans Mono", "Liberation Mono", monospace; font-size: 12px; }
svg text { font-family: "DejaVu Sans Mono", "Liberation Mono", monospace; }
)";

std::string Document(std::string_view title, std::string_view style, std::string_view body)
{
    std::string page;
    page.reserve(body.size() + 4096);
    page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<meta name=\"generator\" content=\"olva-check\">\n<title>";
    page += Escape(title);
    page += "</title>\n<style>";
    page += kBaseStyle;
    page += style;
    page += "</style>\n</head>\n<body>\n";
    page += body;
    page += "</body>\n</html>\n";
    return page;
}

}  // namespace olva::check::html
