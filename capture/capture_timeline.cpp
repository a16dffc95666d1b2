// Walking a capture's frames: the answers in force at each frame, and both
// hands as the input system saw them.
#include "capture_format.h"

namespace olva::capture {

void AnswerState::Apply(const Capture& capture, const Frame& frame)
{
    for (std::size_t i = frame.firstEntry; i < frame.firstEntry + frame.entryCount; ++i) {
        const Entry& entry = capture.entries[i];
        bool found = false;
        for (Entry& known : m_entries) {
            if (known.key == entry.key) {
                known.answer = entry.answer;
                found = true;
                break;
            }
        }
        if (!found) {
            m_entries.push_back(entry);
        }
    }
}

const Answer* AnswerState::Find(const Key& key) const
{
    for (const Entry& entry : m_entries) {
        if (entry.key == key) {
            return &entry.answer;
        }
    }
    return nullptr;
}

std::optional<std::array<uint32_t, 3>> AnalogIds(int32_t inputType)
{
    if (inputType == OLVA_INPUT_TYPE_TOUCH) {
        return std::array<uint32_t, 3>{5, 4, 3};
    }
    if (inputType == OLVA_INPUT_TYPE_JOYSTICK) {
        return std::array<uint32_t, 3>{9, 8, 7};
    }
    return std::nullopt;
}

std::vector<HandFrame> HandTimeline(const Capture& capture)
{
    constexpr int32_t kDevices[2] = {OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, OLVA_DEVICE_TYPE_LEFT_CONTROLLER};
    std::vector<HandFrame> timeline;
    timeline.reserve(capture.frames.size());
    AnswerState state;
    for (const Frame& frame : capture.frames) {
        state.Apply(capture, frame);
        HandFrame hands;
        hands.waitResult = frame.waitResult;
        for (std::size_t h = 0; h < 2; ++h) {
            HandState& hand = hands.hands[h];
            const int32_t device = kDevices[h];
            auto value = [&](const Key& key) -> const Answer* {
                const Answer* answer = state.Find(key);
                return answer != nullptr && answer->written ? answer : nullptr;
            };
            if (const Answer* type = value({Call::DeviceInputType, device, 0, 0}); type && type->result == 0) {
                hand.present = true;
                hand.inputType = static_cast<int32_t>(type->value);
            } else {
                // No input type asked: take the one the mask questions used.
                for (const Entry& entry : state.entries()) {
                    if (entry.key.call == Call::ClickStates && entry.key.device == device) {
                        hand.inputType = entry.key.inputType;
                        break;
                    }
                }
            }
            if (const Answer* connected = value({Call::Connected, device, 0, 0})) {
                hand.connected = connected->value != 0;
            }
            if (const Answer* click = value({Call::ClickStates, device, hand.inputType, 0})) {
                hand.click = click->value;
            }
            if (const Answer* touch = value({Call::TouchStates, device, hand.inputType, 0})) {
                hand.touch = touch->value;
            }
            if (const auto ids = AnalogIds(hand.inputType)) {
                for (std::size_t slot = 0; slot < 3; ++slot) {
                    if (const Answer* analog = value({Call::AnalogState, device, hand.inputType, (*ids)[slot]})) {
                        hand.analog[slot] = analog->vector;
                        hand.analogRead[slot] = true;
                    }
                }
            }
        }
        timeline.push_back(hands);
    }
    return timeline;
}

}  // namespace olva::capture
