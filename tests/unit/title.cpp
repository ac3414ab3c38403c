// The title's picture selection at and around the bounds of its intervals.
#include "support.h"

#include "scenes/scenes.h"

#include <cmath>

// The floats nearest a double bound on either side: a float title time never
// equals the bound itself.
static float floatBelow(double bound)
{
    float f = static_cast<float>(bound);
    return f < bound ? f : std::nextafter(f, 0.0f);
}

static float floatAbove(double bound)
{
    float f = static_cast<float>(bound);
    return f > bound ? f : std::nextafter(f, 100.0f);
}

TEST(TitlePicture, ChangesOnlyStrictlyInsideItsIntervals)
{
    struct Case {
        float t;
        int32_t current, expected;
    } cases[] = {
        {0.0f, 0, 0},
        {floatBelow(4.84), 0, 0},
        {floatAbove(4.84), 0, 1},
        {floatBelow(11.14), 1, 1},
        {floatAbove(11.14), 1, 2},
        {floatBelow(16.82), 2, 2},
        {floatAbove(16.82), 2, 3},
        {floatBelow(23.01), 3, 3},
        {floatAbove(23.01), 3, 4},
        {24.46f, 4, 4},
        {1000.0f, 4, 4},
        // After the clock restarts, time falls back: below the first interval
        // the last picture stays; inside one, the intervals run again from there.
        {-3.0f, 3, 3},
        {2.0f, 4, 4},
        {5.0f, 4, 1},
        {12.0f, 0, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(selectTitlePicture(c.t, c.current), c.expected) << "t " << c.t << " from " << c.current;
}
