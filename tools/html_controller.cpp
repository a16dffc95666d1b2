#include "html_controller.h"

#include "html_page.h"

#include "input/olva_input.h"

namespace olva::check::html {

namespace {

using olva::input::EqualsIgnoreCase;

// Where each input sits on the right hand's controller, indexed by Element.
// The left hand's controller is the mirror image.
constexpr ElementPlace kTouchPlaces[kElementCount] = {
    {166, 172},  // trigger
    {74, 240},   // grip
    {88, 98},    // stick
    {88, 70},    // north
    {88, 126},   // south
    {116, 98},   // east
    {60, 98},    // west
    {150, 88},   // upper button: B or Y
    {138, 122},  // lower button: A or X
    {104, 148},  // menu
    {128, 152},  // system
    {112, 318},  // other
};
constexpr ElementPlace kJoystickPlaces[kElementCount] = {
    {110, 8},    // trigger
    {69, 232},   // grip
    {110, 62},   // stick
    {110, 34},   // north
    {110, 90},   // south
    {138, 62},   // east
    {82, 62},    // west
    {138, 116},  // upper button
    {110, 142},  // lower button
    {82, 116},   // menu
    {84, 150},   // system
    {110, 318},  // other
};

// Outlines of the right hand's controllers, in drawing coordinates.
constexpr const char* kTouchOutline =
    "<ellipse cx='110' cy='60' rx='100' ry='50' fill='none' stroke='#aab2c0' stroke-width='12'/>"
    "<path d='M78 150 C70 220 80 300 98 328 Q112 340 128 328 C150 300 154 220 146 150 Z' class='body'/>"
    "<rect x='146' y='150' width='36' height='46' rx='14' class='part' data-part='trigger'/>"
    "<ellipse cx='112' cy='108' rx='70' ry='62' class='body'/>";
constexpr const char* kJoystickOutline =
    "<rect x='84' y='2' width='52' height='14' rx='6' class='part' data-part='trigger'/>"
    "<path d='M58 44 Q58 12 110 12 Q162 12 162 44 L162 170 C162 192 150 204 148 222 L142 318 Q110 338 78 318 "
    "L72 222 C70 204 58 192 58 170 Z' class='body'/>";

double MirroredX(double x, bool right) { return right ? x : kDrawingWidth - x; }

}  // namespace

Element ElementFor(std::string_view component, std::string_view how, bool right)
{
    if (EqualsIgnoreCase(component, "/input/trigger")) {
        return Element::Trigger;
    }
    if (EqualsIgnoreCase(component, "/input/grip")) {
        return Element::Grip;
    }
    if (EqualsIgnoreCase(component, "/input/joystick") || EqualsIgnoreCase(component, "/input/trackpad")) {
        if (EqualsIgnoreCase(how, "north")) {
            return Element::North;
        }
        if (EqualsIgnoreCase(how, "south")) {
            return Element::South;
        }
        if (EqualsIgnoreCase(how, "east")) {
            return Element::East;
        }
        if (EqualsIgnoreCase(how, "west")) {
            return Element::West;
        }
        return Element::Stick;
    }
    if (EqualsIgnoreCase(component, right ? "/input/a" : "/input/x")) {
        return Element::LowerButton;
    }
    if (EqualsIgnoreCase(component, right ? "/input/b" : "/input/y")) {
        return Element::UpperButton;
    }
    if (EqualsIgnoreCase(component, "/input/menu")) {
        return Element::Menu;
    }
    if (EqualsIgnoreCase(component, "/input/system")) {
        return Element::System;
    }
    return Element::Other;
}

std::string ElementId(Element element, bool right)
{
    switch (element) {
    case Element::Trigger: return "trigger";
    case Element::Grip: return "grip";
    case Element::Stick: return "stick";
    case Element::North: return "stick-north";
    case Element::South: return "stick-south";
    case Element::East: return "stick-east";
    case Element::West: return "stick-west";
    case Element::UpperButton: return right ? "button-b" : "button-y";
    case Element::LowerButton: return right ? "button-a" : "button-x";
    case Element::Menu: return "menu";
    case Element::System: return "system";
    case Element::Other: break;
    }
    return "other";
}

std::string ElementTitle(Element element, bool right)
{
    switch (element) {
    case Element::Trigger: return "trigger";
    case Element::Grip: return "grip";
    case Element::Stick: return "stick or pad";
    case Element::North: return "stick north";
    case Element::South: return "stick south";
    case Element::East: return "stick east";
    case Element::West: return "stick west";
    case Element::UpperButton: return right ? "B button" : "Y button";
    case Element::LowerButton: return right ? "A button" : "X button";
    case Element::Menu: return "menu button";
    case Element::System: return "system button";
    case Element::Other: break;
    }
    return "other inputs";
}

std::string ElementPaths(Element element, bool right)
{
    switch (element) {
    case Element::Trigger: return "/input/trigger";
    case Element::Grip: return "/input/grip";
    case Element::Stick: return "/input/joystick, /input/trackpad";
    case Element::North:
    case Element::South:
    case Element::East:
    case Element::West: return "";
    case Element::UpperButton: return right ? "/input/b" : "/input/y";
    case Element::LowerButton: return right ? "/input/a" : "/input/x";
    case Element::Menu: return "/input/menu";
    case Element::System: return "/input/system";
    case Element::Other: break;
    }
    return "not on this drawing";
}

ElementPlace PlaceOf(Element element, ControllerKind kind, bool right)
{
    const ElementPlace place =
        (kind == ControllerKind::Touch ? kTouchPlaces : kJoystickPlaces)[static_cast<int>(element)];
    return {MirroredX(place.x, right), place.y};
}

std::string DrawController(ControllerKind kind, bool right, double x, double y, double scale, const bool* bound,
                           const bool* flagged)
{
    const auto state = [&](Element element) {
        const int i = static_cast<int>(element);
        std::string cls = bound[i] ? " bound" : " free";
        if (flagged[i]) {
            cls += " flagged";
        }
        return cls;
    };
    std::string svg = "<g class='controller' transform='translate(" + Number(x) + " " + Number(y) + ") scale(" +
                      Number(scale, 3) + ")'>";
    // The outline is drawn for the right hand and mirrored for the left.
    svg += right ? "<g>" : "<g transform='translate(" + Number(kDrawingWidth) + " 0) scale(-1 1)'>";
    svg += kind == ControllerKind::Touch ? kTouchOutline : kJoystickOutline;
    svg += "</g>";

    // Trigger and grip: the outline's trigger part plus a marker, and the
    // grip strip along the handle.
    const ElementPlace trigger = PlaceOf(Element::Trigger, kind, right);
    svg += "<circle cx='" + Number(trigger.x) + "' cy='" + Number(trigger.y) + "' r='6' class='input" +
           state(Element::Trigger) + "' data-element='trigger'/>";
    const ElementPlace grip = PlaceOf(Element::Grip, kind, right);
    svg += "<rect x='" + Number(grip.x - 7) + "' y='" + Number(grip.y - 40) + "' width='14' height='80' rx='7' "
           "class='input" + state(Element::Grip) + "' data-element='grip'/>";

    // The stick: base, cap and the four direction marks.
    const ElementPlace stick = PlaceOf(Element::Stick, kind, right);
    svg += "<circle cx='" + Number(stick.x) + "' cy='" + Number(stick.y) + "' r='22' class='well'/>";
    svg += "<circle cx='" + Number(stick.x) + "' cy='" + Number(stick.y) + "' r='13' class='input" +
           state(Element::Stick) + "' data-element='stick'/>";
    const struct {
        Element element;
        double dx, dy;
    } directions[] = {{Element::North, 0, -1}, {Element::South, 0, 1}, {Element::East, 1, 0}, {Element::West, -1, 0}};
    for (const auto& d : directions) {
        const ElementPlace at = PlaceOf(d.element, kind, right);
        // A small triangle pointing away from the stick's centre.
        const double tipX = at.x + d.dx * 5;
        const double tipY = at.y + d.dy * 5;
        const double baseX = at.x - d.dx * 2;
        const double baseY = at.y - d.dy * 2;
        const double sideX = d.dy * 5;
        const double sideY = d.dx * 5;
        svg += "<path d='M" + Number(tipX) + " " + Number(tipY) + " L" + Number(baseX + sideX) + " " +
               Number(baseY + sideY) + " L" + Number(baseX - sideX) + " " + Number(baseY - sideY) +
               " Z' class='input arrow" + state(d.element) + "' data-element='" + ElementId(d.element, right) + "'/>";
    }

    // Buttons with their letters; menu and system smaller.
    const struct {
        Element element;
        double radius;
        const char* letter;
    } buttons[] = {{Element::UpperButton, 11, right ? "B" : "Y"},
                   {Element::LowerButton, 11, right ? "A" : "X"},
                   {Element::Menu, 7, "\xE2\x89\xA1"},  // U+2261, three bars
                   {Element::System, 6, ""}};
    for (const auto& button : buttons) {
        const ElementPlace at = PlaceOf(button.element, kind, right);
        svg += "<circle cx='" + Number(at.x) + "' cy='" + Number(at.y) + "' r='" + Number(button.radius) +
               "' class='input" + state(button.element) + "' data-element='" + ElementId(button.element, right) +
               "'/>";
        if (*button.letter != '\0') {
            svg += "<text x='" + Number(at.x) + "' y='" + Number(at.y + (button.radius > 8 ? 4 : 3.5)) +
                   "' class='letter' font-size='" + (button.radius > 8 ? "11" : "9") + "'>" + button.letter +
                   "</text>";
        }
    }
    svg += "</g>";
    return svg;
}

}  // namespace olva::check::html
