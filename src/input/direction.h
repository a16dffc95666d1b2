// Whether a stick or pad position counts as pushed in a direction. The two
// controller kinds use different tests: sectors around the axes beyond a
// radius for the joystick controller, strict diagonals for the touch
// controller.
#pragma once

#include "input/digital_rules.h"

#include <olva/olva_framework.h>

namespace olva::input {

// Input type 3. Beyond a radius of 0.7 (single precision), each direction
// covers 135 degrees centred on its axis, so neighbouring directions overlap
// by 45 degrees and a diagonal push turns two of them on.
bool JoystickSectorOn(Direction direction, OLVA_Vector2f position) noexcept;

// Input type 2. Both components in whole ten-thousandths (truncated toward
// zero); the direction whose axis the position lies strictly closer to is
// on. The centre and the exact diagonals turn nothing on.
bool TouchDiagonalOn(Direction direction, OLVA_Vector2f position) noexcept;

// The test of the controller kind; false for every input type but 2 and 3.
bool DirectionOn(Direction direction, OLVA_Device_InputType inputType, OLVA_Vector2f position) noexcept;

}  // namespace olva::input
