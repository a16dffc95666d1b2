#include "input/direction.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace olva::input {

namespace {

// The sector bounds in radians: pi/8, 3pi/8, 5pi/8 and 7pi/8 as these
// nine-place decimals, not computed from pi, so the edges stay where they are.
constexpr double kPiOver8 = 0.392699075;    // 22.5 degrees
constexpr double k3PiOver8 = 1.178097225;   // 67.5 degrees
constexpr double k5PiOver8 = 1.963495375;   // 112.5 degrees
constexpr double k7PiOver8 = 2.748893525;   // 157.5 degrees
constexpr double kDeadZoneRadius = 0.7;     // a radius of exactly 0.7 is still inside

// x * 10000 in single precision, truncated toward zero. The runtime's value
// is not trusted to be finite or small: NaN becomes 0 and values beyond the
// 32-bit range saturate, as the Arm conversion instruction does, where a
// plain cast would be undefined.
int64_t TenThousandths(float component) noexcept
{
    const float scaled = component * 10000.0f;
    if (std::isnan(scaled)) {
        return 0;
    }
    if (scaled >= 2147483648.0f) {
        return std::numeric_limits<int32_t>::max();
    }
    if (scaled < -2147483648.0f) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(scaled);
}

}  // namespace

bool JoystickSectorOn(Direction direction, OLVA_Vector2f position) noexcept
{
    const float radius = std::sqrt(position.x * position.x + position.y * position.y);  // float overload
    if (!(radius > kDeadZoneRadius)) {  // also off for NaN
        return false;
    }
    const double angle = std::atan2(position.y, position.x);  // float overload: atan2f
    switch (direction) {
    case Direction::East:
        return -k3PiOver8 <= angle && angle <= k3PiOver8;
    case Direction::North:
        return kPiOver8 <= angle && angle <= k7PiOver8;
    case Direction::South:
        return -k7PiOver8 <= angle && angle <= -kPiOver8;
    case Direction::West:
        return angle <= -k5PiOver8 || angle >= k5PiOver8;
    }
    return false;
}

bool TouchDiagonalOn(Direction direction, OLVA_Vector2f position) noexcept
{
    // 64-bit so that negating a saturated component cannot overflow.
    const int64_t x = TenThousandths(position.x);
    const int64_t y = TenThousandths(position.y);
    switch (direction) {
    case Direction::East:
        return -x < y && y < x;
    case Direction::West:
        return x < y && y < -x;
    case Direction::North:
        return -y < x && x < y;
    case Direction::South:
        return y < x && x < -y;
    }
    return false;
}

bool DirectionOn(Direction direction, OLVA_Device_InputType inputType, OLVA_Vector2f position) noexcept
{
    switch (inputType) {
    case OLVA_INPUT_TYPE_JOYSTICK:
        return JoystickSectorOn(direction, position);
    case OLVA_INPUT_TYPE_TOUCH:
        return TouchDiagonalOn(direction, position);
    default:
        return false;
    }
}

}  // namespace olva::input
