#include "capture_check.h"

#include "findings.h"
#include "terminal.h"
#include "wording.h"

#include "capture_format.h"
#include "input/digital_rules.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <optional>

namespace olva::check {

namespace {

using capture::Hand;
using capture::HandFrame;
using json = nlohmann::ordered_json;

constexpr std::array<const char*, 2> kHandNames = {"right", "left"};
constexpr std::array<const char*, 3> kSlotNames = {"position", "trigger", "grip"};

struct Range {
    bool seen = false;
    float min = 0.0f;
    float max = 0.0f;

    void Add(float value)
    {
        if (value != value) {
            return;  // a NaN has no place in a range
        }
        min = seen ? std::min(min, value) : value;
        max = seen ? std::max(max, value) : value;
        seen = true;
    }
};

struct HandSummary {
    std::optional<int32_t> inputType;
    std::size_t connectedFrames = 0;
    std::map<int, int> presses;  // click mask bit -> rising edges
    std::map<int, int> touches;  // touch mask bit -> rising edges
    std::array<Range, 3> x;      // by slot
    std::array<Range, 3> y;
};

void CountRises(uint64_t before, uint64_t after, std::map<int, int>& counts)
{
    const uint64_t rising = after & ~before;
    for (int bit = 0; bit < 64; ++bit) {
        if ((rising >> bit & 1u) != 0) {
            ++counts[bit];
        }
    }
}

std::array<HandSummary, 2> Summarise(const std::vector<HandFrame>& timeline)
{
    std::array<HandSummary, 2> hands;
    std::array<uint64_t, 2> click{};
    std::array<uint64_t, 2> touch{};
    for (const HandFrame& frame : timeline) {
        for (std::size_t h = 0; h < 2; ++h) {
            const capture::HandState& state = frame.hands[h];
            HandSummary& summary = hands[h];
            if (state.present) {
                summary.inputType = state.inputType;
            }
            summary.connectedFrames += state.connected ? 1 : 0;
            CountRises(click[h], state.click, summary.presses);
            CountRises(touch[h], state.touch, summary.touches);
            click[h] = state.click;
            touch[h] = state.touch;
            for (std::size_t slot = 0; slot < 3; ++slot) {
                if (state.analogRead[slot]) {
                    summary.x[slot].Add(state.analog[slot].x);
                    summary.y[slot].Add(state.analog[slot].y);
                }
            }
        }
    }
    return hands;
}

std::string KindName(int32_t inputType)
{
    const char* words = ControllerKindWords(inputType);
    return words != nullptr ? words : "input type " + std::to_string(inputType);
}

std::string Number(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

std::string RangeText(const Range& range)
{
    return range.min == range.max ? Number(range.min) : Number(range.min) + " .. " + Number(range.max);
}

// The inputs a mask bit stands for on a controller kind, as the library's
// digital rules read them ("trigger", "b/menu" where the touch controller
// shares a bit); empty for a bit no rule reads or another kind.
std::string InputsOfBit(std::optional<int32_t> inputType, int bit)
{
    using input::Button;
    constexpr std::array<const char*, 8> kButtonNames = {"a", "b", "x", "y", "menu", "grip", "trigger", "thumbstick"};
    if (!inputType || (*inputType != OLVA_INPUT_TYPE_JOYSTICK && *inputType != OLVA_INPUT_TYPE_TOUCH)) {
        return "";
    }
    std::string names;
    for (std::size_t b = 0; b < kButtonNames.size(); ++b) {
        if (input::ButtonBitNumber(static_cast<Button>(b), *inputType) == static_cast<uint32_t>(bit)) {
            names += (names.empty() ? "" : "/") + std::string(kButtonNames[b]);
        }
    }
    return names;
}

std::string Counts(const std::map<int, int>& counts, std::optional<int32_t> inputType)
{
    std::string text;
    for (const auto& [bit, count] : counts) {
        const std::string inputs = InputsOfBit(inputType, bit);
        text += (text.empty() ? "" : ", ") + (inputs.empty() ? "" : inputs + " ") + "(bit " + std::to_string(bit) +
                ") " + std::to_string(count);
    }
    return text.empty() ? "none" : text;
}

// The devices of the supported-device mask and their input types, as the
// first frame that answered them said.
json Devices(const capture::Capture& capture)
{
    capture::AnswerState state;
    json devices = json::array();
    for (const capture::Frame& frame : capture.frames) {
        state.Apply(capture, frame);
        const capture::Answer* mask = state.Find({capture::Call::SupportedDevices, 0, 0, 0});
        if (mask == nullptr || !mask->written || mask->result != 0) {
            continue;
        }
        for (int device = 0; device < 64; ++device) {
            if ((mask->value >> device & 1u) == 0) {
                continue;
            }
            json entry = {{"device", device}};
            const char* name = device == OLVA_DEVICE_TYPE_RIGHT_CONTROLLER  ? "right hand"
                               : device == OLVA_DEVICE_TYPE_LEFT_CONTROLLER ? "left hand"
                               : device == OLVA_DEVICE_TYPE_GAMEPAD         ? "gamepad"
                                                                            : "other device";
            entry["name"] = name;
            const capture::Answer* type = state.Find({capture::Call::DeviceInputType, device, 0, 0});
            if (type != nullptr && type->written && type->result == 0) {
                entry["inputType"] = type->value;
                entry["kind"] = KindName(static_cast<int32_t>(type->value));
            }
            devices.push_back(entry);
        }
        break;
    }
    return devices;
}

json HandJson(const HandSummary& hand)
{
    json out = json::object();
    if (hand.inputType) {
        out["inputType"] = *hand.inputType;
        out["kind"] = KindName(*hand.inputType);
    }
    out["connectedFrames"] = hand.connectedFrames;
    for (const auto* counts : {&hand.presses, &hand.touches}) {
        json list = json::array();
        for (const auto& [bit, count] : *counts) {
            list.push_back({{"bit", bit}, {"inputs", InputsOfBit(hand.inputType, bit)}, {"count", count}});
        }
        out[counts == &hand.presses ? "presses" : "touches"] = list;
    }
    json analog = json::object();
    for (std::size_t slot = 0; slot < 3; ++slot) {
        if (!hand.x[slot].seen) {
            continue;
        }
        analog[kSlotNames[slot]] = {{"x", {hand.x[slot].min, hand.x[slot].max}},
                                    {"y", {hand.y[slot].min, hand.y[slot].max}}};
    }
    out["analog"] = analog;
    return out;
}

}  // namespace

int RunCaptureCheck(const CaptureOptions& options, std::ostream& out)
{
    const Style style(!options.json && ColourWanted());
    Findings findings;
    capture::Capture capture;
    std::string error;
    const bool read = capture::ReadCaptureFile(options.file, capture, error);
    if (!read) {
        // The reader's message starts with the file name, which the finding
        // shows already.
        const std::string prefix = options.file + ": ";
        findings.Add(Severity::Error, "capture-unreadable", options.file, "",
                     error.rfind(prefix, 0) == 0 ? error.substr(prefix.size()) : error);
    }
    uint32_t lost = 0;
    std::size_t waitFailures = 0;
    for (const capture::Frame& frame : capture.frames) {
        lost += frame.lostAnswers;
        waitFailures += frame.waitResult.value_or(0) != 0 ? 1 : 0;
    }
    for (const capture::Problem& problem : capture.problems) {
        findings.Add(problem.torn ? Severity::Warning : Severity::Error, problem.torn ? "torn-line" : "corrupt-line",
                     options.file, "line " + std::to_string(problem.line), problem.what);
    }
    if (lost != 0) {
        findings.Add(Severity::Warning, "lost-answers", options.file, "",
                     std::to_string(lost) + " answers were not recorded: the session asked more than " +
                         std::to_string(capture::FrameRecorder::kMaxQuestions) + " distinct questions");
    }
    const bool ended = !capture.frames.empty() && !capture.frames.back().waitResult;
    const std::array<HandSummary, 2> hands = Summarise(capture::HandTimeline(capture));
    const json devices = Devices(capture);

    if (options.json) {
        json report = {{"file", options.file}};
        if (read) {
            report["version"] = capture.version;
            report["header"] = json::parse(capture.header, nullptr, false);
            report["frames"] = capture.frames.size();
            report["ended"] = ended;
            report["waitFailures"] = waitFailures;
            report["devices"] = devices;
            report["hands"] = {{"right", HandJson(hands[capture::kRight])}, {"left", HandJson(hands[capture::kLeft])}};
        }
        findings.AddToJson(report, options.strict);
        out << report.dump(2) << '\n';
        return findings.ExitStatus(options.strict);
    }

    out << style.Bold("Capture") << "  " << options.file << '\n';
    if (read) {
        const json header = json::parse(capture.header, nullptr, false);
        std::string details;
        if (header.is_object()) {
            for (const auto& item : header.items()) {
                details += ", " + item.key() + " " + (item.value().is_string() ? item.value().get<std::string>()
                                                                                : item.value().dump());
            }
        }
        out << "Format   version " << capture.version << details << '\n';
        out << "Frames   " << capture.frames.size()
            << (ended ? " (the session ended at OLVA_DestroyRuntime or exit)"
                      : " (no end line: the process stopped without ending the session)")
            << '\n';
        if (waitFailures != 0) {
            out << "         " << waitFailures << " OLVA_WaitFrame calls failed\n";
        }
        out << "Devices  ";
        if (devices.empty()) {
            out << "none recorded";
        }
        for (std::size_t i = 0; i < devices.size(); ++i) {
            const json& device = devices[i];
            out << (i == 0 ? "" : "; ") << device["name"].get<std::string>() << " ("
                << device["device"].get<int>() << ")";
            if (device.contains("kind")) {
                out << ": " << device["kind"].get<std::string>();
            }
        }
        out << "\n\n";
        for (std::size_t h = 0; h < 2; ++h) {
            const HandSummary& hand = hands[h];
            if (!hand.inputType && hand.connectedFrames == 0) {
                continue;
            }
            out << style.Bold(std::string(kHandNames[h]) + " hand") << "  "
                << (hand.inputType ? KindName(*hand.inputType) : std::string("input type not asked"))
                << ", connected in " << hand.connectedFrames << " of " << capture.frames.size() << " frames\n";
            out << "  presses   " << Counts(hand.presses, hand.inputType) << '\n';
            out << "  touches   " << Counts(hand.touches, hand.inputType) << '\n';
            for (std::size_t slot = 0; slot < 3; ++slot) {
                if (!hand.x[slot].seen) {
                    continue;
                }
                // The stick or pad has two axes, trigger and grip one.
                out << "  " << Pad(kSlotNames[slot], 10);
                if (slot == 0) {
                    out << "x " << RangeText(hand.x[slot]) << "   y " << RangeText(hand.y[slot]);
                } else {
                    out << RangeText(hand.x[slot]);
                }
                out << '\n';
            }
        }
        out << '\n';
    }
    findings.Print(out, style, options.strict);
    return findings.ExitStatus(options.strict);
}

}  // namespace olva::check
