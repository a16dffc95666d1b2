#include "replay.h"

#include <fstream>
#include <utility>

namespace olva::sim {

using capture::Call;
using capture::Key;

Replay::Replay(capture::Capture capture) : m_capture(std::move(capture))
{
    if (!m_capture.frames.empty()) {
        m_state.Apply(m_capture, m_capture.frames.front());
    }
}

int32_t Replay::AdvanceFrame()
{
    if (m_frame >= m_capture.frames.size()) {
        return 0;  // past the end: hold
    }
    const std::optional<int32_t> waitResult = m_capture.frames[m_frame].waitResult;
    if (!waitResult) {
        // The session ended in this frame: nothing was recorded after it.
        m_frame = m_capture.frames.size();
        return 0;
    }
    if (++m_frame < m_capture.frames.size()) {
        m_state.Apply(m_capture, m_capture.frames[m_frame]);
    }
    return *waitResult;
}

template <typename Out>
int32_t Replay::Answer(const Key& key, Out* out) const
{
    const capture::Answer* answer = m_state.Find(key);
    if (out == nullptr || answer == nullptr) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    if (answer->written) {
        if constexpr (std::is_same_v<Out, OLVA_Vector2f>) {
            *out = answer->vector;
        } else {
            *out = static_cast<Out>(answer->value);
        }
    }
    return answer->result;
}

int32_t Replay::SupportedDevices(uint64_t* mask) const { return Answer(Key{Call::SupportedDevices, 0, 0, 0}, mask); }

int32_t Replay::DeviceInputType(OLVA_DeviceType device, uint64_t* inputType) const
{
    return Answer(Key{Call::DeviceInputType, device, 0, 0}, inputType);
}

int32_t Replay::IsConnected(OLVA_DeviceType device, uint32_t* connected) const
{
    return Answer(Key{Call::Connected, device, 0, 0}, connected);
}

int32_t Replay::ClickStates(OLVA_DeviceType device, OLVA_Device_InputType inputType, uint64_t* states) const
{
    return Answer(Key{Call::ClickStates, device, inputType, 0}, states);
}

int32_t Replay::TouchStates(OLVA_DeviceType device, OLVA_Device_InputType inputType, uint64_t* states) const
{
    return Answer(Key{Call::TouchStates, device, inputType, 0}, states);
}

int32_t Replay::InputIdConfiguration(OLVA_DeviceType device, OLVA_Device_InputType inputType, uint32_t inputId,
                                     uint64_t* configuration) const
{
    return Answer(Key{Call::IdConfiguration, device, inputType, inputId}, configuration);
}

int32_t Replay::AnalogState(OLVA_DeviceType device, OLVA_Device_InputType inputType, uint32_t inputId,
                            OLVA_Vector2f* value) const
{
    return Answer(Key{Call::AnalogState, device, inputType, inputId}, value);
}

bool IsCaptureFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::string start(capture::kMagic.size() + 1, '\0');
    return file.read(start.data(), static_cast<std::streamsize>(start.size())) && capture::LooksLikeCapture(start);
}

bool LoadReplay(const std::string& path, capture::Capture& out, std::string& error, std::string& note)
{
    capture::Capture capture;
    if (!capture::ReadCaptureFile(path, capture, error)) {
        return false;
    }
    for (const capture::Problem& problem : capture.problems) {
        const std::string where = path + ": line " + std::to_string(problem.line) + ": ";
        if (!problem.torn) {
            error = where + problem.what;
            return false;
        }
        note = where + problem.what;
    }
    out = std::move(capture);
    return true;
}

}  // namespace olva::sim
