// Building blocks of olva-check's web pages: escaping, wrapping text to a
// column count, numbers written the same in every locale, and the page
// frame with its inline style sheet. Pages load nothing from outside the
// file: no scripts, no fonts, no images, no links to other sites.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace olva::check::html {

// Text made safe for element content and for quoted attribute values:
// markup characters become entities, control characters become U+FFFD.
std::string Escape(std::string_view text);

// Number of characters (UTF-8 code points) of text.
std::size_t Columns(std::string_view text) noexcept;

// Breaks text into lines of at most `columns` characters, at spaces where it
// can and inside words that are longer than a line. Never splits a UTF-8
// sequence. Always at least one line.
std::vector<std::string> Wrap(std::string_view text, std::size_t columns);

// A number with a fixed count of decimals and a '.' as separator.
std::string Number(double value, int decimals = 1);

// The whole document: doctype, charset, title, the shared style sheet plus
// `style`, and the body.
std::string Document(std::string_view title, std::string_view style, std::string_view body);

// The style sheet every page shares.
extern const char* const kBaseStyle;

// Monospace metrics the layouts rely on: the labels are set in a monospace
// font whose advance is 0.6 of its size (DejaVu Sans Mono, Liberation Mono).
inline constexpr double kMonoAdvance = 0.6;

}  // namespace olva::check::html
