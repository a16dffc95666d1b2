// Replay of a capture in the simulated runtime: every input question is
// answered with what the capture recorded for it in the current frame,
// output and result code bit for bit; OLVA_WaitFrame answers the recorded
// result of the frame it ends and moves to the next frame.
//
// After the last recorded frame the replay holds: the answers of the last
// frame stay in force and OLVA_WaitFrame answers 0, as a scenario holds its
// last state. A question the capture never recorded up to the current frame
// (or a null output) answers OLVA_RESULT_INVALID_ARGUMENT and writes nothing.
#pragma once

#include "capture_format.h"

#include <olva/olva_framework.h>

#include <cstdint>
#include <string>

namespace olva::sim {

class Replay {
public:
    explicit Replay(capture::Capture capture);

    // Ends the current frame: returns the result OLVA_WaitFrame gave when
    // it was recorded, then moves to the next recorded frame.
    int32_t AdvanceFrame();
    // The frame whose answers are in force; frames() once past the last.
    std::size_t frame() const { return m_frame; }
    std::size_t frames() const { return m_capture.frames.size(); }

    int32_t SupportedDevices(uint64_t* mask) const;
    int32_t DeviceInputType(OLVA_DeviceType device, uint64_t* inputType) const;
    int32_t IsConnected(OLVA_DeviceType device, uint32_t* connected) const;
    int32_t ClickStates(OLVA_DeviceType device, OLVA_Device_InputType inputType, uint64_t* states) const;
    int32_t TouchStates(OLVA_DeviceType device, OLVA_Device_InputType inputType, uint64_t* states) const;
    int32_t InputIdConfiguration(OLVA_DeviceType device, OLVA_Device_InputType inputType, uint32_t inputId,
                                 uint64_t* configuration) const;
    int32_t AnalogState(OLVA_DeviceType device, OLVA_Device_InputType inputType, uint32_t inputId,
                        OLVA_Vector2f* value) const;

private:
    template <typename Out>
    int32_t Answer(const capture::Key& key, Out* out) const;

    capture::Capture m_capture;
    capture::AnswerState m_state;
    std::size_t m_frame = 0;
};

// True when the file starts like a capture (its header's magic).
bool IsCaptureFile(const std::string& path);

// Reads a capture for replay. A capture with a corrupt line is refused;
// a torn last line is ignored and described in note. error: one line
// naming the file (and the line).
bool LoadReplay(const std::string& path, capture::Capture& out, std::string& error, std::string& note);

}  // namespace olva::sim
