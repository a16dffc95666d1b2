// The session page: a timeline of a controller session, frame by frame.
// Per hand, a lane per button (spans while touched or clicked) and traces of
// the stick axes, trigger and grip; optionally a lane per action (boolean
// actions as spans with press and release marks, analog actions as traces).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace olva::check::html {

// Per-frame level of a lane.
inline constexpr uint8_t kLaneOff = 0;
inline constexpr uint8_t kLaneTouched = 1;
inline constexpr uint8_t kLaneClicked = 2;  // also "on" for lanes that know no touch

struct SessionLane {
    std::string id;     // stable, for data-lane: "trigger", "b-menu", "connected"
    std::string label;  // shown: "trigger", "B / menu", ...
    std::vector<uint8_t> levels;  // one per frame
};

struct SessionTrace {
    std::string id;  // for data-trace: "stick-x", ...
    std::string label;
    std::vector<float> values;  // one per frame
};

// Traces drawn over one value range.
struct SessionPanel {
    std::string id;
    std::string label;
    float min = -1;
    float max = 1;
    std::vector<SessionTrace> traces;
};

struct SessionHand {
    bool right = false;
    std::string kind;  // "joystick controller", "touch controller", "absent", ...
    std::string note;  // shown under the title; may be empty
    std::vector<SessionLane> lanes;
    std::vector<SessionPanel> panels;
};

struct SessionAction {
    std::string name;
    std::string type;
    bool boolean = false;
    std::string note;  // e.g. why the action never answers
    // Boolean actions: the query's current state and its change, per frame.
    std::vector<uint8_t> state;
    std::vector<uint8_t> changed;
    // Analog actions: x (and y for two-dimensional types).
    SessionPanel values;
};

struct SessionPage {
    std::string title;
    std::vector<std::pair<std::string, std::string>> facts;  // shown under the title
    int64_t firstFrame = 0;
    std::size_t frameCount = 0;
    std::vector<SessionHand> hands;
    std::vector<SessionAction> actions;
};

std::string RenderSessionPage(const SessionPage& page);

}  // namespace olva::check::html
