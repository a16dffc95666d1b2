#include "html_session_replay.h"
#include "wording.h"

#include "input/digital_rules.h"
#include "input/documents.h"
#include "input/olva_input.h"

#include <olva/olva_framework.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <exception>
#include <map>

namespace olva::check {

namespace {

using olva::input::Button;

constexpr std::pair<Button, const char*> kButtons[] = {
    {Button::A, "A"},       {Button::B, "B"},    {Button::X, "X"},
    {Button::Y, "Y"},       {Button::Menu, "menu"}, {Button::Grip, "grip"},
    {Button::Trigger, "trigger"}, {Button::Thumb, "stick click"},
};

const char* KindWords(uint64_t type)
{
    const char* words = ControllerKindWords(static_cast<int64_t>(type));
    return words != nullptr ? words : "other controller";
}

struct ActionRecord {
    std::string name;
    std::string type;
    olva::input::ActionClass actionClass = olva::input::ActionClass::Other;
    unsigned long handle = 0;
    int32_t lastResult = 0;
    html::SessionAction page;
};

// A lane per bit of the hand's kind: buttons that share a bit (the touch
// controller's B and menu, X and grip, Y and trigger) share a lane.
std::vector<html::SessionLane> ButtonLanes(const HandSeries& hand)
{
    std::vector<html::SessionLane> lanes;
    html::SessionLane connected{"connected", "connected", {}};
    for (const HandSample& sample : hand.frames) {
        connected.levels.push_back(sample.connected ? html::kLaneClicked : html::kLaneOff);
    }
    lanes.push_back(std::move(connected));
    const auto type = static_cast<OLVA_Device_InputType>(hand.inputType);
    std::map<uint64_t, html::SessionLane> byBit;  // ascending bit
    for (const auto& [button, name] : kButtons) {
        const uint64_t bit = olva::input::ButtonBit(button, type);
        if (bit == 0) {
            continue;
        }
        html::SessionLane& lane = byBit[bit];
        std::string id = olva::input::LowerKey(name);
        for (char& c : id) {
            c = c == ' ' ? '-' : c;
        }
        lane.id += (lane.id.empty() ? "" : "-") + id;
        lane.label += (lane.label.empty() ? "" : " / ") + std::string(name);
    }
    for (auto& [bit, lane] : byBit) {
        for (const HandSample& sample : hand.frames) {
            lane.levels.push_back((sample.click & bit) != 0   ? html::kLaneClicked :
                                  (sample.touch & bit) != 0 ? html::kLaneTouched :
                                                              html::kLaneOff);
        }
        lanes.push_back(std::move(lane));
    }
    return lanes;
}

std::vector<html::SessionPanel> HandPanels(const HandSeries& hand)
{
    html::SessionPanel stick{"stick", "stick or pad", -1, 1, {{"stick-x", "x", {}}, {"stick-y", "y", {}}}};
    html::SessionPanel pulls{"trigger-grip", "trigger, grip", 0, 1, {{"trigger", "trigger", {}}, {"grip", "grip", {}}}};
    for (const HandSample& sample : hand.frames) {
        stick.traces[0].values.push_back(sample.analog[0].x);
        stick.traces[1].values.push_back(sample.analog[0].y);
        pulls.traces[0].values.push_back(sample.analog[1].x);
        pulls.traces[1].values.push_back(sample.analog[2].x);
    }
    return {std::move(stick), std::move(pulls)};
}

}  // namespace

html::SessionHand SessionHandOf(const HandSeries& series)
{
    html::SessionHand page;
    page.right = series.right;
    if (!series.present) {
        page.kind = "absent";
        page.note = "the runtime reports no controller in this hand";
        return page;
    }
    page.kind = KindWords(series.inputType);
    page.lanes = ButtonLanes(series);
    page.panels = HandPanels(series);
    return page;
}

namespace {

std::string ResultText(int32_t result)
{
    switch (result) {
    case OLVA_RESULT_UNSUPPORTED: return "OLVA_RESULT_UNSUPPORTED (-2)";
    case OLVA_RESULT_INVALID_ARGUMENT: return "OLVA_RESULT_INVALID_ARGUMENT (-8)";
    case OLVA_RESULT_INVALID_RUNTIME: return "OLVA_RESULT_INVALID_RUNTIME (-11)";
    default: return std::to_string(result);
    }
}

// The runtime, destroyed on every way out.
struct RuntimeGuard {
    void* runtime = nullptr;
    ~RuntimeGuard()
    {
        if (runtime != nullptr) {
            OLVA_DestroyRuntime(runtime);
        }
    }
};

bool Replay(const ReplayOptions& options, html::SessionPage& out, std::string& error)
{
    const std::string config =
        nlohmann::json{{"olvaruntimepath", options.runtime}, {"simulation", options.simulation}}.dump();
    const OLVA_RuntimeCreateInfo createInfo = {config.c_str()};
    RuntimeGuard guard;
    int32_t result = OLVA_CreateRuntime(&createInfo, &guard.runtime);
    if (result != 0 || guard.runtime == nullptr) {
        error = "the simulated runtime " + options.runtime + " did not start on " + options.simulation + ": " +
                ResultText(result);
        return false;
    }
    void* const runtime = guard.runtime;

    uint64_t devices = 0;
    if ((result = OLVA_GetSupportedDevices(runtime, &devices)) != 0) {
        error = "OLVA_GetSupportedDevices failed: " + ResultText(result);
        return false;
    }
    HandSeries hands[2];
    unsigned long handles[2] = {};
    for (std::size_t i = 0; i < 2; ++i) {
        const OLVA_DeviceType device = i == 0 ? OLVA_DEVICE_TYPE_LEFT_CONTROLLER : OLVA_DEVICE_TYPE_RIGHT_CONTROLLER;
        hands[i].right = i == 1;
        hands[i].present = (devices >> device & 1) != 0;
        if (hands[i].present) {
            OLVA_GetSupportedDeviceInputType(runtime, device, &hands[i].inputType);
        }
    }

    if ((result = OLVA_XrActionManifestPath(runtime, options.manifest.c_str())) != 0) {
        error = "the library did not load the manifest " + options.manifest + ": " + ResultText(result) +
                " (olva-check bindings tells why)";
        return false;
    }
    Json::Value manifest;
    olva::input::ReadJsonDocument(options.manifest, manifest);
    std::vector<OLVA_XrActiveActionSet> sets;
    for (const std::string& name : olva::input::DeclaredActionSetNames(manifest)) {
        unsigned long handle = 0;
        if (OLVA_GetXrActionSetHandle(runtime, name.c_str(), &handle) == 0 && handle != 0) {
            sets.push_back({handle, 0});
        }
    }
    std::vector<ActionRecord> actions;
    const Json::Value& declared = manifest.isObject() ? manifest["actions"] : Json::Value::nullSingleton();
    for (Json::ArrayIndex i = 0; declared.isArray() && i < declared.size(); ++i) {
        const Json::Value& name = declared[i].isObject() ? declared[i]["name"] : Json::Value::nullSingleton();
        if (!name.isString()) {
            continue;
        }
        ActionRecord action;
        action.name = name.asString();
        const bool seen = std::any_of(actions.begin(), actions.end(), [&](const ActionRecord& a) {
            return olva::input::EqualsIgnoreCase(a.name, action.name);
        });
        if (seen || OLVA_GetXrActionHandle(runtime, action.name.c_str(), &action.handle) != 0 || action.handle == 0) {
            continue;
        }
        action.type = reinterpret_cast<const OLVA_XrAction*>(action.handle)->type;
        action.actionClass = olva::input::ClassifyActionType(action.type);
        actions.push_back(std::move(action));
    }
    for (std::size_t i = 0; i < 2; ++i) {
        OLVA_GetXrInputSourceHandle(runtime, hands[i].right ? "/user/hand/right" : "/user/hand/left", &handles[i]);
    }

    for (std::size_t frame = 0; frame < options.frames; ++frame) {
        if ((result = OLVA_WaitFrame(runtime, nullptr)) != 0) {
            error = "OLVA_WaitFrame failed at frame " + std::to_string(frame) + ": " + ResultText(result);
            return false;
        }
        if ((result = OLVA_UpdateXrActionState(runtime, sets.empty() ? nullptr : sets.data(),
                                               static_cast<unsigned>(sets.size()), 0)) != 0) {
            error = "OLVA_UpdateXrActionState failed at frame " + std::to_string(frame) + ": " + ResultText(result);
            return false;
        }
        // The hands as the library stored them in this update.
        for (std::size_t i = 0; i < 2; ++i) {
            HandSample sample;
            if (handles[i] != 0) {
                const auto& value = *reinterpret_cast<const OLVA_XrInputValue*>(handles[i]);
                sample.connected = value.connected;
                sample.click = value.current.clickStates;
                sample.touch = value.current.touchStates;
                std::copy(std::begin(value.current.analog), std::end(value.current.analog), sample.analog);
            }
            hands[i].frames.push_back(sample);
        }
        for (ActionRecord& action : actions) {
            if (action.actionClass == olva::input::ActionClass::Analog) {
                OLVA_XrInputAnalogActionData data{};
                action.lastResult = OLVA_GetXrActionAnalogData(runtime, action.handle, &data, 0, 0);
                action.page.values.traces.resize(2);
                action.page.values.traces[0].values.push_back(data.x);
                action.page.values.traces[1].values.push_back(data.y);
            } else {
                OLVA_XrInputDigitalActionData data{};
                action.lastResult = OLVA_GetXrActionDigitalData(runtime, action.handle, &data, 0, 0);
                action.page.state.push_back(data.currentState);
                action.page.changed.push_back(data.changedSinceLastSync);
            }
        }
    }

    out.frameCount = options.frames;
    out.firstFrame = options.firstFrame;
    for (const HandSeries& hand : hands) {
        out.hands.push_back(SessionHandOf(hand));
    }
    for (ActionRecord& action : actions) {
        html::SessionAction& page = action.page;
        page.name = action.name;
        page.type = action.type;
        page.boolean = action.actionClass != olva::input::ActionClass::Analog;
        if (!page.boolean) {
            const bool twoAxes = !olva::input::EqualsIgnoreCase(action.type, "single") &&
                                 !olva::input::EqualsIgnoreCase(action.type, "vector1");
            page.values.id = olva::input::LowerKey(action.name);
            page.values.traces[0].id = "x";
            page.values.traces[0].label = "x";
            page.values.traces[1].id = "y";
            page.values.traces[1].label = "y";
            if (!twoAxes) {
                page.values.traces.pop_back();
            }
            bool negative = false;
            for (const html::SessionTrace& trace : page.values.traces) {
                negative = negative || std::any_of(trace.values.begin(), trace.values.end(), [](float v) { return v < 0; });
            }
            page.values.min = negative || twoAxes ? -1 : 0;
            page.values.max = 1;
        }
        if (action.lastResult != 0) {
            page.note = "every query returns " + ResultText(action.lastResult);
        }
        out.actions.push_back(std::move(page));
    }
    return true;
}

}  // namespace

bool ReplaySession(const ReplayOptions& options, html::SessionPage& out, std::string& error)
{
    try {
        return Replay(options, out, error);
    } catch (const char* text) {
        // The loader throws its own texts for a configuration it cannot use.
        error = std::string("the runtime could not be created: ") + text;
    } catch (const std::exception& exception) {
        error = std::string("the replay stopped: ") + exception.what();
    }
    return false;
}

}  // namespace olva::check
