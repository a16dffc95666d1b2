// The capture format on its own: what the recorder writes reads back bit
// for bit, only changes are written, damaged files are reported, and
// recording allocates nothing once warm.
#include "capture_format.h"
#include "support/counting_allocator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>


namespace {

using namespace olva::capture;

float FloatOfBits(uint32_t bits)
{
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

Answer Value(uint64_t value, int32_t result = 0)
{
    Answer answer;
    answer.result = result;
    answer.written = true;
    answer.value = value;
    return answer;
}

Answer Vector(float x, float y, int32_t result = 0)
{
    Answer answer;
    answer.result = result;
    answer.written = true;
    answer.vector = {x, y};
    return answer;
}

Answer Unwritten(int32_t result)
{
    Answer answer;
    answer.result = result;
    return answer;
}

std::string Header() { return HeaderLine({{"producer", "test"}}); }

Capture Read(const std::string& text)
{
    Capture capture;
    std::string error;
    EXPECT_TRUE(ReadCapture(text, capture, error)) << error;
    return capture;
}

// One frame per row, each recorded and read back: the answer in force after
// the frame must be the recorded one, bit for bit.
TEST(CaptureFormat, AnswersReadBackBitForBit)
{
    struct Row {
        const char* what;
        Key key;
        Answer answer;
    };
    const Row rows[] = {
        {"device mask", {Call::SupportedDevices, 0, 0, 0}, Value(0x2018)},
        {"input type", {Call::DeviceInputType, 3, 0, 0}, Value(3)},
        {"all mask bits", {Call::ClickStates, 4, 2, 0}, Value(~uint64_t{0})},
        {"touch with a result", {Call::TouchStates, 3, 3, 0}, Value(0x10, 7)},
        {"not written, failed", {Call::Connected, 13, 0, 0}, Unwritten(OLVA_RESULT_INVALID_ARGUMENT)},
        {"negative device, large id", {Call::IdConfiguration, -1, -7, 4294967295u}, Value(0xC, -2147483647 - 1)},
        {"plain analog", {Call::AnalogState, 3, 3, 8}, Vector(0.9f, 0.0f)},
        {"negative zero", {Call::AnalogState, 3, 3, 9}, Vector(-0.0f, 1e-45f)},
        {"infinities", {Call::AnalogState, 4, 2, 5}, Vector(std::numeric_limits<float>::infinity(),
                                                             -std::numeric_limits<float>::infinity())},
        {"NaN payloads", {Call::AnalogState, 4, 2, 4}, Vector(FloatOfBits(0xffc12345u), FloatOfBits(0x7f800001u))},
        {"extremes", {Call::AnalogState, 4, 2, 3},
         Vector(std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(), 1)},
    };
    FrameRecorder recorder;
    std::string text = Header();
    for (const Row& row : rows) {
        recorder.Record(row.key, row.answer);
        text += recorder.EndFrame(0);
    }
    const Capture capture = Read(text);
    ASSERT_EQ(capture.frames.size(), std::size(rows));
    EXPECT_TRUE(capture.problems.empty());
    AnswerState state;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].what);
        state.Apply(capture, capture.frames[i]);
        const Answer* answer = state.Find(rows[i].key);
        ASSERT_NE(answer, nullptr);
        EXPECT_TRUE(*answer == rows[i].answer);
        EXPECT_EQ(std::memcmp(&answer->vector, &rows[i].answer.vector, sizeof(OLVA_Vector2f)), 0);
    }
}

TEST(CaptureFormat, OnlyChangedAnswersAreWritten)
{
    FrameRecorder recorder;
    const Key click{Call::ClickStates, 3, 3, 0};
    const Key trigger{Call::AnalogState, 3, 3, 8};
    recorder.Record(click, Value(0));
    recorder.Record(trigger, Vector(0.0f, 0.0f));
    EXPECT_EQ(recorder.EndFrame(0), "B3.3=0 A3.3.8=0,0\n");
    recorder.Record(click, Value(0));
    recorder.Record(trigger, Vector(0.0f, 0.0f));
    EXPECT_EQ(recorder.EndFrame(0), ".\n");
    recorder.Record(click, Value(0x100));
    recorder.Record(trigger, Vector(0.5f, 0.0f));
    EXPECT_EQ(recorder.EndFrame(-11), "B3.3=100 A3.3.8=0.5,0 W=-11\n");
    // Asked twice in one frame: the last answer counts.
    recorder.Record(click, Value(0x80));
    recorder.Record(click, Value(0x100));
    EXPECT_EQ(recorder.EndFrame(std::nullopt), "end\n");
    recorder.Record({Call::Connected, 4, 0, 0}, Unwritten(-8));
    EXPECT_EQ(recorder.EndFrame(0), "C4=_!-8\n");
}

TEST(CaptureFormat, QuestionsBeyondCapacityAreCountedAsLost)
{
    FrameRecorder recorder;
    for (uint32_t id = 0; id < FrameRecorder::kMaxQuestions + 3; ++id) {
        recorder.Record({Call::IdConfiguration, 3, 2, id}, Value(1));
    }
    const std::string line(recorder.EndFrame(0));
    EXPECT_NE(line.find(" X=3\n"), std::string::npos);
    const Capture capture = Read(Header() + line);
    ASSERT_EQ(capture.frames.size(), 1u);
    EXPECT_EQ(capture.frames[0].lostAnswers, 3u);
    EXPECT_EQ(capture.frames[0].entryCount, FrameRecorder::kMaxQuestions);
}

TEST(CaptureFormat, SteadyStateRecordingAllocatesNothing)
{
    FrameRecorder recorder;
    auto frame = [&](int n) {
        for (int32_t device : {3, 4}) {
            recorder.Record({Call::Connected, device, 0, 0}, Value(1));
            recorder.Record({Call::ClickStates, device, 3, 0}, Value(static_cast<uint64_t>(n % 7)));
            recorder.Record({Call::TouchStates, device, 3, 0}, Value(static_cast<uint64_t>(n % 5)));
            for (uint32_t id : {9u, 8u, 7u}) {
                recorder.Record({Call::IdConfiguration, device, 3, id}, Value(8));
                recorder.Record({Call::AnalogState, device, 3, id},
                                Vector(static_cast<float>(n) / 1000.0f, -static_cast<float>(n) / 7.0f));
            }
        }
        return recorder.EndFrame(0).size();
    };
    frame(0);  // the first frame meets every question
    const std::size_t before = olva::test::AllocationCount();
    std::size_t bytes = 0;
    for (int n = 1; n < 1000; ++n) {
        bytes += frame(n);
    }
    EXPECT_EQ(olva::test::AllocationCount() - before, 0u);
    EXPECT_GT(bytes, 0u);
}

TEST(CaptureFormat, TornLastLineIsReportedAndIgnored)
{
    const std::string text = Header() + "B3.3=100\n.\nB3.3=0 A3.3";
    const Capture capture = Read(text);
    ASSERT_EQ(capture.frames.size(), 2u);
    ASSERT_EQ(capture.problems.size(), 1u);
    EXPECT_TRUE(capture.problems[0].torn);
    EXPECT_EQ(capture.problems[0].line, 4u);
    EXPECT_FALSE(capture.Corrupt());
    AnswerState state;
    state.Apply(capture, capture.frames[0]);
    state.Apply(capture, capture.frames[1]);
    EXPECT_EQ(state.Find({Call::ClickStates, 3, 3, 0})->value, 0x100u);
}

// One damaged line per row; reading stops at it and names it.
TEST(CaptureFormat, CorruptLinesAreNamedAndStopTheReading)
{
    struct Row {
        const char* line;
        const char* what;
    };
    const Row rows[] = {
        {"", "empty line"},
        {"Q3=1", "unknown entry"},
        {"B3=1", "bad question"},
        {"B3.3=xyz", "bad answer"},
        {"A3.3.8=0.5", "bad answer"},
        {"C3=1!0", "bad result code"},
        {"C3=1!x", "bad result code"},
        {"C3=1 extra", "unknown entry"},
        {"C3=1  C4=1", "two spaces"},
        {"W=0", "OLVA_WaitFrame"},
        {"W=-2 end", "both end"},
        {"X=many", "lost-answer"},
        {"B3.3=1z", "unexpected text"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        const Capture capture = Read(Header() + "S=18\n" + row.line + "\nS=8\n");
        ASSERT_EQ(capture.frames.size(), 1u);
        ASSERT_EQ(capture.problems.size(), 1u);
        EXPECT_FALSE(capture.problems[0].torn);
        EXPECT_EQ(capture.problems[0].line, 3u);
        EXPECT_NE(capture.problems[0].what.find(row.what), std::string::npos) << capture.problems[0].what;
        EXPECT_TRUE(capture.Corrupt());
        EXPECT_EQ(capture.entries.size(), 1u);
    }
    const Capture afterEnd = Read(Header() + "S=18\nend\n.\n");
    ASSERT_EQ(afterEnd.problems.size(), 1u);
    EXPECT_EQ(afterEnd.problems[0].line, 4u);
}

// Damage anywhere: a valid capture with bytes changed, cut or doubled at
// random places reads without crashing; the answer is either a one-line
// error or frames and problems whose entries all lie inside the capture.
TEST(CaptureFormat, RandomDamageIsReportedNotFatal)
{
    const std::string valid = Header() +
                              "S=18 I3=3 I4=2\n"
                              "C3=1 B3.3=100 T3.3=180 A3.3.9=0.5,-0.5 A3.3.8=#7fc00001,0 C4=0 B4.2=10!-8\n"
                              ".\nB3.3=0 X=2 W=-11\nA4.2.3=_!-5 end\n";
    const std::string alphabet = "0123456789abcdef.,=_!#-+ \nSICBTGAWXe\xff";
    uint32_t seed = 7;
    auto next = [&](uint32_t bound) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % bound;
    };
    for (int round = 0; round < 20000; ++round) {
        std::string text = valid;
        for (uint32_t edits = 1 + next(4); edits > 0; --edits) {
            const std::size_t at = next(static_cast<uint32_t>(text.size()));
            switch (next(3)) {
            case 0:
                text[at] = alphabet[next(static_cast<uint32_t>(alphabet.size()))];
                break;
            case 1:
                text.erase(at, 1 + next(8));
                break;
            default:
                text.insert(at, text.substr(at, 1 + next(8)));
                break;
            }
        }
        Capture capture;
        std::string error;
        if (!ReadCapture(text, capture, error)) {
            EXPECT_FALSE(error.empty());
            EXPECT_EQ(error.find('\n'), std::string::npos) << error;
            continue;
        }
        for (const Frame& frame : capture.frames) {
            ASSERT_LE(frame.firstEntry + frame.entryCount, capture.entries.size()) << text;
        }
        EXPECT_LE(capture.problems.size(), 1u) << text;  // reading stops at the first
        (void)HandTimeline(capture);
    }
}

TEST(CaptureFormat, BadHeadersAreRefused)
{
    struct Row {
        std::string text;
        const char* what;
    };
    const Row rows[] = {
        {"", "not a capture"},
        {"{\"name\": \"a scenario\"}\n", "not a capture"},
        {"olva-capture 1 {}", "cut off"},
        {"olva-capture 2 {}\n.\n", "version 2 is not supported"},
        {"olva-capture one {}\n", "no format version"},
        {"olva-capture 1 [1]\n", "not a JSON object"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        Capture capture;
        std::string error;
        EXPECT_FALSE(ReadCapture(row.text, capture, error));
        EXPECT_NE(error.find(row.what), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
    Capture capture;
    std::string error;
    EXPECT_FALSE(ReadCaptureFile("/nonexistent/capture.txt", capture, error));
    EXPECT_NE(error.find("/nonexistent/capture.txt: cannot open the capture file: No such file"), std::string::npos)
        << error;
}

TEST(CaptureFormat, HandTimelineFollowsEachHand)
{
    const std::string text = Header() +
                             "S=18 I3=3 I4=2\n"
                             "C3=1 B3.3=100 T3.3=180 A3.3.9=0.5,-0.5 A3.3.8=1,0 C4=0 B4.2=10 A4.2.3=0.25,0\n"
                             "B3.3=0 A3.3.8=0,0\n"
                             "end\n";
    const std::vector<HandFrame> timeline = HandTimeline(Read(text));
    ASSERT_EQ(timeline.size(), 4u);
    const HandState& right = timeline[1].hands[kRight];
    EXPECT_TRUE(right.present);
    EXPECT_EQ(right.inputType, OLVA_INPUT_TYPE_JOYSTICK);
    EXPECT_TRUE(right.connected);
    EXPECT_EQ(right.click, 0x100u);
    EXPECT_EQ(right.touch, 0x180u);
    EXPECT_TRUE(right.analogRead[0]);
    EXPECT_EQ(right.analog[0].y, -0.5f);
    EXPECT_EQ(right.analog[1].x, 1.0f);
    EXPECT_FALSE(right.analogRead[2]);
    const HandState& left = timeline[1].hands[kLeft];
    EXPECT_EQ(left.inputType, OLVA_INPUT_TYPE_TOUCH);
    EXPECT_FALSE(left.connected);
    EXPECT_EQ(left.click, 0x10u);
    EXPECT_EQ(left.analog[2].x, 0.25f);  // grip is id 3 on a touch controller
    EXPECT_EQ(timeline[2].hands[kRight].click, 0u);
    EXPECT_EQ(timeline[2].hands[kRight].touch, 0x180u);  // unchanged answers hold
    EXPECT_EQ(timeline[2].hands[kRight].analog[1].x, 0.0f);
    EXPECT_EQ(timeline[2].waitResult, 0);
    EXPECT_FALSE(timeline[3].waitResult.has_value());
}

}  // namespace
