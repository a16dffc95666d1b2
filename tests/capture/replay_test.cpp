// The simulated runtime's replay on its own: recorded answers and results
// per frame, what happens past the last frame, questions never recorded,
// and captures with damaged lines.
#include "replay.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

using olva::capture::Capture;
using olva::sim::Replay;

const std::string kWork = OLVA_TEST_WORK_DIR;

Capture Read(const std::string& frames)
{
    Capture capture;
    std::string error;
    EXPECT_TRUE(olva::capture::ReadCapture(olva::capture::HeaderLine({{"producer", "test"}}) + frames, capture, error))
        << error;
    return capture;
}

TEST(Replay, AnswersEachFrameAsRecordedAndHoldsAfterTheLast)
{
    Replay replay(Read("S=18 I3=3\n"
                       "B3.3=100 C3=1 A3.3.9=_!-5 W=-11\n"
                       "B3.3=0 A3.3.8=0.5,-0\n"));
    uint64_t mask = 0;
    EXPECT_EQ(replay.SupportedDevices(&mask), 0);
    EXPECT_EQ(mask, 0x18u);
    EXPECT_EQ(replay.ClickStates(3, 3, &mask), OLVA_RESULT_INVALID_ARGUMENT);  // not asked yet
    EXPECT_EQ(mask, 0x18u);

    EXPECT_EQ(replay.AdvanceFrame(), 0);
    EXPECT_EQ(replay.ClickStates(3, 3, &mask), 0);
    EXPECT_EQ(mask, 0x100u);
    OLVA_Vector2f stick{7.0f, 7.0f};
    EXPECT_EQ(replay.AnalogState(3, 3, 9, &stick), -5);  // failed and wrote nothing
    EXPECT_EQ(stick.x, 7.0f);
    EXPECT_EQ(replay.ClickStates(3, 2, &mask), OLVA_RESULT_INVALID_ARGUMENT);  // other input type
    EXPECT_EQ(replay.ClickStates(3, 3, nullptr), OLVA_RESULT_INVALID_ARGUMENT);

    EXPECT_EQ(replay.AdvanceFrame(), -11);  // the recorded OLVA_WaitFrame result
    EXPECT_EQ(replay.frame(), 2u);
    EXPECT_EQ(replay.ClickStates(3, 3, &mask), 0);
    EXPECT_EQ(mask, 0u);
    OLVA_Vector2f trigger{};
    EXPECT_EQ(replay.AnalogState(3, 3, 8, &trigger), 0);
    EXPECT_EQ(trigger.x, 0.5f);
    EXPECT_TRUE(std::signbit(trigger.y));
    uint32_t connected = 0;
    EXPECT_EQ(replay.IsConnected(3, &connected), 0);  // earlier answers hold
    EXPECT_EQ(connected, 1u);

    // Past the last frame: the last answers stay, OLVA_WaitFrame answers 0.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(replay.AdvanceFrame(), 0);
        EXPECT_EQ(replay.ClickStates(3, 3, &mask), 0);
        EXPECT_EQ(mask, 0u);
        EXPECT_EQ(replay.AnalogState(3, 3, 8, &trigger), 0);
        EXPECT_EQ(trigger.x, 0.5f);
    }
}

TEST(Replay, ASessionThatEndedHoldsItsLastFrame)
{
    Replay replay(Read("B4.2=2\nB4.2=4 end\n"));
    EXPECT_EQ(replay.AdvanceFrame(), 0);
    EXPECT_EQ(replay.AdvanceFrame(), 0);
    uint64_t mask = 0;
    EXPECT_EQ(replay.ClickStates(4, 2, &mask), 0);
    EXPECT_EQ(mask, 4u);
    Replay empty(Read(""));
    EXPECT_EQ(empty.AdvanceFrame(), 0);
    EXPECT_EQ(empty.SupportedDevices(&mask), OLVA_RESULT_INVALID_ARGUMENT);
}

class ReplayFile : public ::testing::Test {
protected:
    void TearDown() override { std::remove(path.c_str()); }
    void Write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    std::string path = kWork + "/replay_test_" + std::to_string(::getpid()) + ".capture";
};

TEST_F(ReplayFile, LoadsTornCapturesWithANoteAndRefusesCorruptOnes)
{
    const std::string header = olva::capture::HeaderLine({{"producer", "test"}});
    Capture capture;
    std::string error;
    std::string note;
    Write(header + "S=8\nC3=1\nB3.");
    EXPECT_TRUE(olva::sim::IsCaptureFile(path));
    EXPECT_TRUE(olva::sim::LoadReplay(path, capture, error, note)) << error;
    EXPECT_EQ(capture.frames.size(), 2u);
    EXPECT_EQ(note, path + ": line 4: the last line is cut off (no newline): ignored");

    Write(header + "S=8\nC3=one\n.\n");
    note.clear();
    EXPECT_FALSE(olva::sim::LoadReplay(path, capture, error, note));
    EXPECT_EQ(error.rfind(path + ": line 3: bad answer in \"C3=one\"", 0), 0u) << error;

    Write("{\"name\": \"a scenario\"}\n");
    EXPECT_FALSE(olva::sim::IsCaptureFile(path));
    EXPECT_FALSE(olva::sim::IsCaptureFile(kWork + "/no-such-file"));
}

}  // namespace
