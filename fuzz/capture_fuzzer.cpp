// Fuzzes the capture reader and replay: a capture text from an untrusted file
// is read, then every recorded frame is replayed through the simulated
// runtime's replay, asking every question the input system can ask.
//
// A finding is a crash, a sanitizer report, an exception out of the reader,
// a rejected text without an error, a model whose frames point outside its
// entries, or a null output that the replay does not refuse.
#include "capture_format.h"
#include "replay.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Fail(const char* what)
{
    std::fprintf(stderr, "capture_fuzzer: %s\n", what);
    std::abort();
}

// Asks every question the input system asks of both hands and the gamepad,
// with the input types and ids the update uses.
void AskEverything(const olva::sim::Replay& replay)
{
    uint64_t mask = 0;
    replay.SupportedDevices(&mask);
    for (OLVA_DeviceType device : {OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, OLVA_DEVICE_TYPE_LEFT_CONTROLLER,
                                   OLVA_DEVICE_TYPE_GAMEPAD}) {
        uint64_t inputType = 0;
        replay.DeviceInputType(device, &inputType);
        uint32_t connected = 0;
        replay.IsConnected(device, &connected);
        for (OLVA_Device_InputType type = 0; type <= OLVA_INPUT_TYPE_GAMEPAD; ++type) {
            uint64_t states = 0;
            replay.ClickStates(device, type, &states);
            replay.TouchStates(device, type, &states);
            for (uint32_t id = 0; id < 12; ++id) {
                uint64_t configuration = 0;
                replay.InputIdConfiguration(device, type, id, &configuration);
                OLVA_Vector2f value{};
                replay.AnalogState(device, type, id, &value);
            }
        }
        // Null outputs are refused, never written.
        if (replay.IsConnected(device, nullptr) != OLVA_RESULT_INVALID_ARGUMENT) {
            Fail("a null output was not refused");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    olva::capture::Capture capture;
    std::string error;
    bool read = false;
    try {
        read = olva::capture::ReadCapture(text, capture, error);
    } catch (...) {
        Fail("an exception left ReadCapture");
    }
    if (!read) {
        if (error.empty()) {
            Fail("a rejected capture without an error");
        }
        return 0;
    }
    for (const olva::capture::Frame& frame : capture.frames) {
        if (frame.firstEntry > capture.entries.size() || frame.entryCount > capture.entries.size() - frame.firstEntry) {
            Fail("a frame points outside the entries");
        }
    }
    olva::capture::HandTimeline(capture);

    olva::sim::Replay replay(std::move(capture));
    const std::size_t frames = replay.frames();
    for (std::size_t i = 0; i <= frames; ++i) {  // one past the last: the replay holds
        AskEverything(replay);
        replay.AdvanceFrame();
    }
    return 0;
}
