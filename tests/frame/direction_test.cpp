// Stick and pad directions: the joystick controller's sectors and the touch
// controller's diagonals, at the worked examples and at their edges.
#include "input/direction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace olva::input {
namespace {

// Which of east, west, north, south are on, as "EWNS" with '-' for off.
std::string Directions(bool (*test)(Direction, OLVA_Vector2f), float x, float y)
{
    const OLVA_Vector2f position{x, y};
    std::string on = "----";
    const char* letters = "EWNS";
    const Direction all[] = {Direction::East, Direction::West, Direction::North, Direction::South};
    for (int i = 0; i < 4; ++i) {
        if (test(all[i], position)) {
            on[i] = letters[i];
        }
    }
    return on;
}

struct Case {
    float x;
    float y;
    const char* expected;
};

template <std::size_t N>
void ExpectDirections(bool (*test)(Direction, OLVA_Vector2f), const Case (&cases)[N])
{
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "(" << c.x << ", " << c.y << ")");
        EXPECT_EQ(Directions(test, c.x, c.y), c.expected);
    }
}

// A point at this angle (radians) on a circle of the given radius.
Case AtAngle(double angle, const char* expected, double radius = 1.0)
{
    return {static_cast<float>(radius * std::cos(angle)), static_cast<float>(radius * std::sin(angle)), expected};
}

TEST(JoystickSectors, WorkedExamplesAndRadius)
{
    const float justAbove = std::nextafter(0.7f, 1.0f);
    const Case cases[] = {
        {0.6f, 0.6f, "E-N-"},      // radius 0.8485, 45 degrees: two directions
        {0.7f, 0.0f, "----"},      // radius exactly 0.7 is inside
        {0.0f, -0.71f, "---S"},
        {0.0f, 0.7f, "----"},
        {-0.7f, 0.0f, "----"},
        {0.42f, 0.56f, "----"},    // 0.7 again, off the axes
        {justAbove, 0.0f, "E---"},
        {0.0f, -justAbove, "---S"},
        {-0.71f, 0.0f, "-W--"},
        {0.0f, 0.71f, "--N-"},
        {-0.6f, -0.6f, "-W-S"},
        {-0.6f, 0.6f, "-WN-"},
        {0.6f, -0.6f, "E--S"},
        {0.0f, 0.0f, "----"},
        {std::numeric_limits<float>::quiet_NaN(), 1.0f, "----"},
    };
    ExpectDirections(JoystickSectorOn, cases);
}

TEST(JoystickSectors, EdgesAt22And67Degrees)
{
    // Each sector spans 135 degrees: its edges sit 22.5 degrees past the
    // neighbouring axes. Just inside and just outside each edge.
    const double eps = 1e-5;
    const double pi = std::acos(-1.0);
    const Case cases[] = {
        AtAngle(pi / 8 - eps, "E---"),
        AtAngle(pi / 8 + eps, "E-N-"),
        AtAngle(3 * pi / 8 - eps, "E-N-"),
        AtAngle(3 * pi / 8 + eps, "--N-"),
        AtAngle(5 * pi / 8 - eps, "--N-"),
        AtAngle(5 * pi / 8 + eps, "-WN-"),
        AtAngle(7 * pi / 8 - eps, "-WN-"),
        AtAngle(7 * pi / 8 + eps, "-W--"),
        AtAngle(pi, "-W--"),
        AtAngle(-pi / 8 + eps, "E---"),
        AtAngle(-pi / 8 - eps, "E--S"),
        AtAngle(-3 * pi / 8 + eps, "E--S"),
        AtAngle(-3 * pi / 8 - eps, "---S"),
        AtAngle(-5 * pi / 8 + eps, "---S"),
        AtAngle(-5 * pi / 8 - eps, "-W-S"),
        AtAngle(-7 * pi / 8 + eps, "-W-S"),
        AtAngle(-7 * pi / 8 - eps, "-W--"),
        AtAngle(pi / 4, "----", 0.69),  // a diagonal inside the radius
    };
    ExpectDirections(JoystickSectorOn, cases);
}

TEST(TouchDiagonals, WorkedExamplesAndDiagonals)
{
    const Case cases[] = {
        {0.5f, 0.1f, "E---"},
        {0.5f, 0.5f, "----"},  // on a diagonal: nothing
        {0.0f, 0.0f, "----"},
        {-0.5f, 0.1f, "-W--"},
        {0.1f, 0.5f, "--N-"},
        {0.1f, -0.5f, "---S"},
        {0.5f, -0.5f, "----"},
        {-0.5f, -0.5f, "----"},
        {-0.5f, 0.5f, "----"},
        {0.5f, 0.4999f, "E---"},  // one ten-thousandth off the diagonal
        {0.4999f, 0.5f, "--N-"},
        {0.0001f, 0.0f, "E---"},  // no dead zone beyond the truncation
        {0.00009f, 0.0f, "----"},
        {0.01f, 0.0f, "E---"},
    };
    ExpectDirections(TouchDiagonalOn, cases);
}

TEST(TouchDiagonals, TruncatesTowardZero)
{
    const Case cases[] = {
        // 1.9 and 1 ten-thousandths: truncated both are 1, a diagonal.
        // Rounding would make it east.
        {0.00019f, 0.0001f, "----"},
        // -1.9 and -1: truncated toward zero both are -1. Flooring would
        // make it west.
        {-0.00019f, -0.0001f, "----"},
        {0.0001f, -0.00019f, "----"},
    };
    ExpectDirections(TouchDiagonalOn, cases);
}

TEST(TouchDiagonals, ValuesBeyondTheIntegerRangeSaturate)
{
    const float inf = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        {1e30f, 0.0f, "E---"},
        {-1e30f, 0.0f, "-W--"},
        {0.0f, -inf, "---S"},
        {-inf, -inf, "----"},
        {std::numeric_limits<float>::quiet_NaN(), 0.5f, "--N-"},  // NaN counts as 0
    };
    ExpectDirections(TouchDiagonalOn, cases);
}

TEST(Directions, OnlyTheTwoControllerKindsHaveThem)
{
    const OLVA_Vector2f east{0.9f, 0.0f};
    EXPECT_TRUE(DirectionOn(Direction::East, OLVA_INPUT_TYPE_JOYSTICK, east));
    EXPECT_TRUE(DirectionOn(Direction::East, OLVA_INPUT_TYPE_TOUCH, east));
    for (OLVA_Device_InputType other : {0, 1, 4, 9}) {
        EXPECT_FALSE(DirectionOn(Direction::East, other, east)) << other;
    }
    // The joystick's dead zone is not the pad's.
    const OLVA_Vector2f small{0.3f, 0.0f};
    EXPECT_FALSE(DirectionOn(Direction::East, OLVA_INPUT_TYPE_JOYSTICK, small));
    EXPECT_TRUE(DirectionOn(Direction::East, OLVA_INPUT_TYPE_TOUCH, small));
}

}  // namespace
}  // namespace olva::input
