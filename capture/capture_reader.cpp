// Reading captures: the header, frame lines, torn and corrupt lines.
#include "capture_format.h"
#include "capture_text.h"

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>

namespace olva::capture {

namespace {

using text::ArgumentCount;
using text::FloatFromBits;

// ---- Decoding

template <typename T>
bool TakeNumber(std::string_view& text, T& value, int base = 10)
{
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || ptr == text.data()) {
        return false;
    }
    text.remove_prefix(static_cast<std::size_t>(ptr - text.data()));
    return true;
}

bool TakeChar(std::string_view& text, char c)
{
    if (text.empty() || text.front() != c) {
        return false;
    }
    text.remove_prefix(1);
    return true;
}

bool TakeFloat(std::string_view& text, float& value)
{
    if (TakeChar(text, '#')) {
        uint32_t bits = 0;
        if (!TakeNumber(text, bits, 16)) {
            return false;
        }
        value = FloatFromBits(bits);
        return true;
    }
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr == text.data()) {
        return false;
    }
    text.remove_prefix(static_cast<std::size_t>(ptr - text.data()));
    return true;
}

std::optional<Call> CallOfLetter(char letter)
{
    for (std::size_t i = 0; i < kCallCount; ++i) {
        if (text::kLetters[i] == letter) {
            return static_cast<Call>(i);
        }
    }
    return std::nullopt;
}

// Parses one "KEY=ANSWER" token; error says what is wrong with it.
bool ParseEntry(std::string_view token, Entry& entry, std::string& error)
{
    const std::string shown(token);
    const std::optional<Call> call = token.empty() ? std::nullopt : CallOfLetter(token.front());
    if (!call) {
        error = "unknown entry \"" + shown + "\"";
        return false;
    }
    token.remove_prefix(1);
    entry = Entry{};
    entry.key.call = *call;
    const int arguments = ArgumentCount(*call);
    bool ok = true;
    if (arguments >= 1) {
        ok = ok && TakeNumber(token, entry.key.device);
    }
    if (arguments >= 2) {
        ok = ok && TakeChar(token, '.') && TakeNumber(token, entry.key.inputType);
    }
    if (arguments >= 3) {
        ok = ok && TakeChar(token, '.') && TakeNumber(token, entry.key.id);
    }
    if (!ok || !TakeChar(token, '=')) {
        error = "bad question in \"" + shown + "\"";
        return false;
    }
    Answer& answer = entry.answer;
    if (TakeChar(token, '_')) {
        answer.written = false;  // the runtime left the output alone
    } else {
        const bool ok = *call == Call::AnalogState ? TakeFloat(token, answer.vector.x) && TakeChar(token, ',') &&
                                                          TakeFloat(token, answer.vector.y)
                                                    : TakeNumber(token, answer.value, 16);
        if (!ok) {
            error = "bad answer in \"" + shown + "\"";
            return false;
        }
        answer.written = true;
    }
    if (TakeChar(token, '!') && (!TakeNumber(token, answer.result) || answer.result == 0)) {
        error = "bad result code in \"" + shown + "\"";
        return false;
    }
    if (!token.empty()) {
        error = "unexpected text after the answer in \"" + shown + "\"";
        return false;
    }
    return true;
}

// Parses a frame line (without its newline) into frame and out.entries.
bool ParseFrameLine(std::string_view line, Frame& frame, std::vector<Entry>& entries, std::string& error)
{
    frame.firstEntry = entries.size();
    frame.entryCount = 0;
    frame.waitResult = 0;
    if (line == ".") {
        return true;
    }
    if (line.empty()) {
        error = "empty line";
        return false;
    }
    bool ended = false;
    bool waited = false;
    while (!line.empty()) {
        const std::size_t space = line.find(' ');
        const std::string_view token = line.substr(0, space);
        line = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
        if (token.empty()) {
            error = "two spaces in a row";
            return false;
        }
        if (token == "end") {
            ended = true;
            frame.waitResult.reset();
        } else if (token.substr(0, 2) == "W=") {
            std::string_view number = token.substr(2);
            int32_t result = 0;
            if (!TakeNumber(number, result) || !number.empty() || result == 0) {
                error = "bad OLVA_WaitFrame result \"" + std::string(token) + "\"";
                return false;
            }
            waited = true;
            frame.waitResult = result;
        } else if (token.substr(0, 2) == "X=") {
            std::string_view number = token.substr(2);
            if (!TakeNumber(number, frame.lostAnswers) || !number.empty()) {
                error = "bad lost-answer count \"" + std::string(token) + "\"";
                return false;
            }
        } else {
            Entry entry;
            if (!ParseEntry(token, entry, error)) {
                return false;
            }
            entries.push_back(entry);
            ++frame.entryCount;
        }
    }
    if (ended && waited) {
        error = "a frame cannot both end the session and carry an OLVA_WaitFrame result";
        return false;
    }
    return true;
}

bool ParseHeader(std::string_view line, Capture& out, std::string& error)
{
    const std::string prefix = std::string(kMagic) + " ";
    if (line.substr(0, prefix.size()) != prefix) {
        error = "line 1: not a capture (it does not start with \"" + std::string(kMagic) + "\")";
        return false;
    }
    line.remove_prefix(prefix.size());
    int version = 0;
    if (!TakeNumber(line, version) || !TakeChar(line, ' ')) {
        error = "line 1: no format version after \"" + std::string(kMagic) + "\"";
        return false;
    }
    if (version != kFormatVersion) {
        error = "line 1: capture format version " + std::to_string(version) + " is not supported (this reader knows " +
                std::to_string(kFormatVersion) + ")";
        return false;
    }
    const nlohmann::json details = nlohmann::json::parse(line, nullptr, false);
    if (details.is_discarded() || !details.is_object()) {
        error = "line 1: the header's details are not a JSON object";
        return false;
    }
    out.version = version;
    out.header = std::string(line);
    return true;
}

}  // namespace

// ---- Reading

bool Capture::Corrupt() const
{
    for (const Problem& problem : problems) {
        if (!problem.torn) {
            return true;
        }
    }
    return false;
}

bool LooksLikeCapture(std::string_view text)
{
    return text.substr(0, kMagic.size() + 1) == std::string(kMagic) + " ";
}

bool ReadCapture(std::string_view text, Capture& out, std::string& error)
{
    try {
        Capture capture;
        const std::size_t headerEnd = text.find('\n');
        if (headerEnd == std::string_view::npos) {
            error = LooksLikeCapture(text) ? "line 1: the header is cut off (no newline)"
                                           : "line 1: not a capture (it does not start with \"" +
                                                 std::string(kMagic) + "\")";
            return false;
        }
        if (!ParseHeader(text.substr(0, headerEnd), capture, error)) {
            return false;
        }
        std::size_t position = headerEnd + 1;
        std::size_t lineNumber = 1;
        while (position < text.size()) {
            ++lineNumber;
            const std::size_t newline = text.find('\n', position);
            if (newline == std::string_view::npos) {
                capture.problems.push_back(
                    {lineNumber, true, "the last line is cut off (no newline): ignored"});
                break;
            }
            const std::string_view line = text.substr(position, newline - position);
            position = newline + 1;
            Frame frame;
            frame.line = lineNumber;
            std::string problem;
            if (!ParseFrameLine(line, frame, capture.entries, problem)) {
                capture.entries.resize(frame.firstEntry);
                capture.problems.push_back({lineNumber, false, problem + "; the rest of the file is not read"});
                break;
            }
            if (!capture.frames.empty() && !capture.frames.back().waitResult) {
                // The writer never writes past the line that ended the
                // session, so this file was pieced together.
                capture.entries.resize(frame.firstEntry);
                capture.problems.push_back(
                    {lineNumber, false, "a frame after the line that ended the session; the rest is not read"});
                break;
            }
            capture.frames.push_back(frame);
        }
        out = std::move(capture);
        return true;
    } catch (const std::exception& e) {
        error = std::string("cannot read the capture: ") + e.what();
        return false;
    }
}

bool ReadCaptureFile(const std::string& path, Capture& out, std::string& error)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        error = path + ": not a regular file";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot open the capture file: " + std::strerror(errno);
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) {
        error = path + ": cannot read the capture file";
        return false;
    }
    std::string problem;
    if (!ReadCapture(text.str(), out, problem)) {
        error = path + ": " + problem;
        return false;
    }
    return true;
}

}  // namespace olva::capture
