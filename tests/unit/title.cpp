// The title's picture selection at and around the bounds of its intervals.
#include "support.h"

#include "scenes/scenes.h"

#include <cmath>

// The float nearest a double bound on the side of toward: a float title time
// never equals the bound itself.
static float floatBeside(double bound, float toward)
{
    float f = static_cast<float>(bound);
    return (toward > bound ? f > bound : f < bound) ? f : std::nextafter(f, toward);
}

TEST(TitlePicture, ChangesOnlyStrictlyInsideItsIntervals)
{
    const float below = 0.0f, above = 100.0f;
    struct Case {
        float t;
        int32_t current, expected;
    } cases[] = {
        {floatBeside(4.84, below), 0, 0},
        {floatBeside(4.84, above), 0, 1},
        {floatBeside(11.14, below), 1, 1},
        {floatBeside(11.14, above), 1, 2},
        {floatBeside(16.82, below), 2, 2},
        {floatBeside(16.82, above), 2, 3},
        {floatBeside(23.01, below), 3, 3},
        {floatBeside(23.01, above), 3, 4},
        // After the clock restarts, time falls back: below the first interval
        // the last picture stays; inside one, the intervals run again from there.
        {-3.0f, 3, 3},
        {2.0f, 4, 4},
        {5.0f, 4, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(selectTitlePicture(c.t, c.current), c.expected) << "t " << c.t << " from " << c.current;
}
