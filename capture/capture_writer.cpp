// Writing captures: FrameRecorder and the header line.
#include "capture_format.h"
#include "capture_text.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstring>

namespace olva::capture {

namespace {

using text::ArgumentCount;
using text::FloatBits;

// ---- Encoding: plain pointer writes into a buffer sized for the worst
// case, so nothing here can allocate or fail.

template <typename T>
char* PutNumber(char* out, char* end, T value, int base = 10)
{
    return std::to_chars(out, end, value, base).ptr;
}

// The shortest decimal that reads back to the same float; a NaN as '#' and
// its bits in hex, so that its sign and payload survive.
char* PutFloat(char* out, char* end, float value)
{
    if (std::isnan(value)) {
        *out++ = '#';
        return PutNumber(out, end, FloatBits(value), 16);
    }
    return std::to_chars(out, end, value).ptr;
}

char* PutEntry(char* out, char* end, const Key& key, const Answer& answer)
{
    *out++ = CallLetter(key.call);
    const int arguments = ArgumentCount(key.call);
    if (arguments >= 1) {
        out = PutNumber(out, end, key.device);
    }
    if (arguments >= 2) {
        *out++ = '.';
        out = PutNumber(out, end, key.inputType);
    }
    if (arguments >= 3) {
        *out++ = '.';
        out = PutNumber(out, end, key.id);
    }
    *out++ = '=';
    if (!answer.written) {
        *out++ = '_';
    } else if (key.call == Call::AnalogState) {
        out = PutFloat(out, end, answer.vector.x);
        *out++ = ',';
        out = PutFloat(out, end, answer.vector.y);
    } else {
        out = PutNumber(out, end, answer.value, 16);
    }
    if (answer.result != 0) {
        *out++ = '!';
        out = PutNumber(out, end, answer.result);
    }
    return out;
}

}  // namespace

char CallLetter(Call call) { return text::kLetters[static_cast<std::size_t>(call)]; }

std::string_view CallName(Call call) { return text::kNames[static_cast<std::size_t>(call)]; }

bool Answer::operator==(const Answer& other) const
{
    return result == other.result && written == other.written && value == other.value &&
           FloatBits(vector.x) == FloatBits(other.vector.x) && FloatBits(vector.y) == FloatBits(other.vector.y);
}
// ---- FrameRecorder

FrameRecorder::FrameRecorder() : m_line(kMaxLineBytes)
{
    m_slots.reserve(kMaxQuestions);
}

FrameRecorder::Slot* FrameRecorder::Find(const Key& key) noexcept
{
    if (m_hint < m_slots.size() && m_slots[m_hint].key == key) {
        return &m_slots[m_hint++];
    }
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        if (m_slots[i].key == key) {
            m_hint = i + 1;
            return &m_slots[i];
        }
    }
    if (m_slots.size() == kMaxQuestions) {
        return nullptr;
    }
    m_slots.emplace_back();  // within the reserved capacity: no allocation
    m_slots.back().key = key;
    m_hint = m_slots.size();
    return &m_slots.back();
}

void FrameRecorder::Record(const Key& key, const Answer& answer) noexcept
{
    Slot* slot = Find(key);
    if (slot == nullptr) {
        ++m_lost;
        return;
    }
    slot->current = answer;
    slot->askedThisFrame = true;
}

std::string_view FrameRecorder::EndFrame(std::optional<int32_t> waitResult) noexcept
{
    char* const begin = m_line.data();
    char* const end = begin + m_line.size();
    char* out = begin;
    auto separate = [&] {
        if (out != begin) {
            *out++ = ' ';
        }
    };
    for (Slot& slot : m_slots) {
        if (!slot.askedThisFrame) {
            continue;
        }
        slot.askedThisFrame = false;
        if (slot.everWritten && slot.current == slot.written) {
            continue;  // unchanged: the capture already says so
        }
        separate();
        out = PutEntry(out, end, slot.key, slot.current);
        slot.written = slot.current;
        slot.everWritten = true;
    }
    if (m_lost != 0) {
        separate();
        *out++ = 'X';
        *out++ = '=';
        out = PutNumber(out, end, m_lost);
        m_lost = 0;
    }
    if (!waitResult) {
        separate();
        std::memcpy(out, "end", 3);
        out += 3;
    } else if (*waitResult != 0) {
        separate();
        *out++ = 'W';
        *out++ = '=';
        out = PutNumber(out, end, *waitResult);
    }
    if (out == begin) {
        *out++ = '.';
    }
    *out++ = '\n';
    m_hint = 0;
    ++m_frames;
    return std::string_view(begin, static_cast<std::size_t>(out - begin));
}

void FrameRecorder::Reset() noexcept
{
    m_slots.clear();
    m_hint = 0;
    m_lost = 0;
    m_frames = 0;
}

std::string HeaderLine(const std::vector<std::pair<std::string, std::string>>& details)
{
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (const auto& [key, value] : details) {
        object[key] = value;
    }
    return std::string(kMagic) + " " + std::to_string(kFormatVersion) + " " +
           object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace olva::capture
