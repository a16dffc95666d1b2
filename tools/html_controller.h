// The controller drawings of the bindings page: the outline of a touch
// controller and of a joystick controller, and where each input sits on it.
#pragma once

#include "html_bindings.h"

#include <string>
#include <string_view>

namespace olva::check::html {

// The drawn inputs of one hand's controller, top of the drawing first.
enum class Element { Trigger, Grip, Stick, North, South, East, West, UpperButton, LowerButton, Menu, System, Other };
inline constexpr int kElementCount = 12;

struct ElementPlace {
    double x = 0;  // anchor of the leader line, in drawing coordinates
    double y = 0;
};

// Width and height of a drawing; the left hand's is the right hand's mirrored.
inline constexpr double kDrawingWidth = 220;
inline constexpr double kDrawingHeight = 340;

// The element an input's component path and input key land on (the
// component compared without regard to case, as the library's rules do).
Element ElementFor(std::string_view component, std::string_view how, bool right);

// Stable name ("trigger", "stick-north", "button-a", ...) and the words
// shown on the label ("trigger", "stick north", "A button", ...).
std::string ElementId(Element element, bool right);
std::string ElementTitle(Element element, bool right);
// The component paths an element stands for, as shown under its title.
std::string ElementPaths(Element element, bool right);

ElementPlace PlaceOf(Element element, ControllerKind kind, bool right);

// SVG elements of the outline and of every input, scaled by `scale` and
// moved to (x, y). `bound` and `flagged` (indexed by Element) colour the
// inputs.
std::string DrawController(ControllerKind kind, bool right, double x, double y, double scale, const bool* bound,
                           const bool* flagged);

}  // namespace olva::check::html
