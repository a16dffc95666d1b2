// The capture format: what a runtime answered to the input questions of a
// session, frame by frame, as versioned line-oriented text. One engine for
// every user: the capture layer writes with FrameRecorder, the simulated
// runtime replays through AnswerState, olva-check and the timeline views
// read with ReadCapture and HandTimeline. docs/capture-format.md describes
// the text.
#pragma once

#include <olva/olva_framework.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace olva::capture {

inline constexpr int kFormatVersion = 1;
inline constexpr std::string_view kMagic = "olva-capture";

// The seven input questions of the runtime interface that a capture records.
enum class Call : uint8_t {
    SupportedDevices,   // S            OLVA_GetSupportedDevices
    DeviceInputType,    // I<d>         OLVA_GetSupportedDeviceInputType
    Connected,          // C<d>         OLVA_IsDeviceConnected
    ClickStates,        // B<d>.<t>     OLVA_GetInputClickStates
    TouchStates,        // T<d>.<t>     OLVA_GetInputTouchStates
    IdConfiguration,    // G<d>.<t>.<i> OLVA_GetInputIdConfiguration
    AnalogState,        // A<d>.<t>.<i> OLVA_GetInputAnalogState
};
inline constexpr std::size_t kCallCount = 7;

// The letter that names a call in the text, and the entry point's name.
char CallLetter(Call call);
std::string_view CallName(Call call);

// One question: the call and the arguments that are not the runtime handle
// or the output pointer. Arguments a call does not take are 0.
struct Key {
    Call call = Call::SupportedDevices;
    int32_t device = 0;
    int32_t inputType = 0;
    uint32_t id = 0;

    bool operator==(const Key& other) const
    {
        return call == other.call && device == other.device && inputType == other.inputType && id == other.id;
    }
    bool operator!=(const Key& other) const { return !(*this == other); }
};

// One answer: the result code and, when the runtime wrote its output, the
// value written. Masks, input types, configurations and the connection flag
// are in value; an analog state is in vector.
struct Answer {
    int32_t result = 0;
    bool written = false;
    uint64_t value = 0;
    OLVA_Vector2f vector{0.0f, 0.0f};

    // Bit for bit: -0.0 differs from 0.0, and a NaN equals itself.
    bool operator==(const Answer& other) const;
    bool operator!=(const Answer& other) const { return !(*this == other); }
};

struct Entry {
    Key key;
    Answer answer;
};

// ---- Writing

// Collects the answers of one frame and encodes the frame's line: only the
// answers that differ from what the capture last said for the same
// question. Capacity is fixed at construction, so recording and encoding
// allocate nothing; questions beyond kMaxQuestions distinct ones are
// counted as lost. Not thread-safe: the caller serialises.
class FrameRecorder {
public:
    static constexpr std::size_t kMaxQuestions = 256;
    // Longest possible line: every question with the longest answer.
    static constexpr std::size_t kMaxLineBytes = kMaxQuestions * 80 + 64;

    FrameRecorder();

    // Notes the answer to a question in the current frame; a question
    // asked again in the same frame keeps its last answer.
    void Record(const Key& key, const Answer& answer) noexcept;

    // Ends the current frame and returns its line, newline included. The
    // view stays valid until the next call of EndFrame. waitResult is the
    // result of the OLVA_WaitFrame that ended the frame; nullopt when the
    // session ended without one (the line then carries "end").
    std::string_view EndFrame(std::optional<int32_t> waitResult) noexcept;

    // Forgets every question and answer: the next frame is a first frame.
    void Reset() noexcept;

    // Frames ended so far.
    uint64_t frames() const noexcept { return m_frames; }

private:
    struct Slot {
        Key key;
        Answer current;
        Answer written;  // as the capture last said it
        bool askedThisFrame = false;
        bool everWritten = false;
    };
    Slot* Find(const Key& key) noexcept;

    std::vector<Slot> m_slots;  // capacity kMaxQuestions, never grown past it
    std::size_t m_hint = 0;     // the next question usually follows the last
    uint32_t m_lost = 0;
    uint64_t m_frames = 0;
    std::vector<char> m_line;  // kMaxLineBytes
};

// The header line, newline included: magic, version, then a JSON object
// naming the producer and whatever details it adds (string values).
std::string HeaderLine(const std::vector<std::pair<std::string, std::string>>& details);

// ---- Reading

struct Frame {
    std::size_t line = 0;                 // 1-based line number in the file
    std::size_t firstEntry = 0;           // into Capture::entries
    std::size_t entryCount = 0;           // answers that changed in this frame
    std::optional<int32_t> waitResult;    // nullopt: ended without OLVA_WaitFrame
    uint32_t lostAnswers = 0;             // questions the writer had no room for
};

struct Problem {
    std::size_t line = 0;  // 1-based
    bool torn = false;     // the last line, cut off before its newline
    std::string what;
};

struct Capture {
    int version = 0;
    std::string header;  // the JSON object of the header line, as written
    std::vector<Frame> frames;
    std::vector<Entry> entries;
    // Torn last line (ignored) or the first corrupt line (reading stops
    // there: later lines only say what changed since, so they cannot be
    // trusted).
    std::vector<Problem> problems;

    bool Corrupt() const;  // a problem other than a torn last line
};

// True when text starts with the capture magic (how the simulated runtime
// tells a capture from a scenario).
bool LooksLikeCapture(std::string_view text);

// Reads a capture text. Returns false when the header is missing or wrong
// (error: one line); otherwise true, with the frames read and the
// problems found. Never throws. Every answer is kept (40 bytes each): an
// hour of a busy session, 44 MiB of text, reads in well under a second
// into about 200 MiB.
bool ReadCapture(std::string_view text, Capture& out, std::string& error);

// Reads a capture file; error names the file.
bool ReadCaptureFile(const std::string& path, Capture& out, std::string& error);

// ---- Walking the frames

// What the capture says at one frame: the last recorded answer to every
// question asked so far.
class AnswerState {
public:
    void Apply(const Capture& capture, const Frame& frame);
    const Answer* Find(const Key& key) const;
    const std::vector<Entry>& entries() const { return m_entries; }

private:
    std::vector<Entry> m_entries;  // first-seen order
};

// A hand controller as the input system saw it in one frame.
struct HandState {
    bool present = false;    // the runtime answered an input type for it
    int32_t inputType = 0;
    bool connected = false;
    uint64_t click = 0;
    uint64_t touch = 0;
    // Position (stick or pad), trigger, grip; valid when that id was read.
    std::array<OLVA_Vector2f, 3> analog{};
    std::array<bool, 3> analogRead{};
};

enum Hand : std::size_t { kRight = 0, kLeft = 1 };

struct HandFrame {
    std::array<HandState, 2> hands;  // by Hand
    std::optional<int32_t> waitResult;
};

// Both hands at every frame of a capture (136 bytes a frame: 42 MiB
// for an hour at 90 Hz).
std::vector<HandFrame> HandTimeline(const Capture& capture);

// The input ids of the position, trigger and grip slots for an input type
// (2: 5, 4, 3; 3: 9, 8, 7); empty for other types.
std::optional<std::array<uint32_t, 3>> AnalogIds(int32_t inputType);

}  // namespace olva::capture
