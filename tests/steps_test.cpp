// The aim and move steps, driven through the library's pointer globals as
// the program's loop drives them.
#include <gtest/gtest.h>

#include "probe.h"
#include "steering.h"

namespace
{

// A heading for the aim step to replace and the move step to leave.
const fixed stale = itofix(7);

TEST(aim, heading_points_nose_at_pointer)
{
   struct {
      double x, y;
      int mx, my;
      double heading;
   } cases[] = {
       {400.0, 300.0, 400, 200, 0},     // straight above
       {400.0, 300.0, 500, 200, 32},    // above and to the right
       {400.0, 300.0, 500, 300, 64},    // straight right
       {400.0, 300.0, 400, 400, -128},  // straight below: -128, never 128
       {400.0, 300.0, 300, 300, -64},   // straight left
       {400.0, 300.0, 400, 300, 0},     // on the player
       {400.0, 300.0, 700, 100, 40.05}, // 56.3 degrees right of up
       // Offsets keep their fractions: half a pixel across 10 up or left
       // turns the nose 2 units, where whole pixels would give 0 or 64
       // exactly (by truncation), or 6.3 units the other way (rounding
       // down).
       {400.5, 300.0, 400, 290, -2.03},
       {399.5, 300.0, 400, 290, 2.03},
       {400.0, 300.5, 390, 300, -61.97},
       {400.0, 299.5, 390, 300, -66.03},
   };
   for (auto c : cases) {
      put({c.x, c.y, stale}, c.mx, c.my);
      aim_player();
      EXPECT_NEAR(fixtof(player.angle), c.heading, 0.5)
          << "from (" << c.x << ", " << c.y << ") to pointer (" << c.mx << ", "
          << c.my << ")";
   }
}

TEST(move, steps_two_pixels_along_truncated_offsets)
{
   struct {
      double x, y;
      int mx, my, frames;
      double to_x, to_y;
   } cases[] = {
       {400.0, 300.0, 500, 300, 1, 402.0, 300.0},  // one frame's road
       {400.0, 300.0, 500, 300, 80, 500.0, 300.0}, // onto it, no further
       {400.0, 300.0, 403, 304, 1, 401.2, 301.6},  // a 3-4-5 diagonal
       {401.0, 300.0, 400, 300, 1, 399.0, 300.0},  // odd offset overshoots
       {401.0, 300.0, 400, 300, 2, 401.0, 300.0},  // ... and comes back
       {400.9, 305.0, 400, 300, 1, 400.9, 303.0},  // (0.9, 5) goes straight up
       {399.5, 296.3, 400, 300, 1, 399.5, 298.3},  // (-0.5, -3.7) straight down
       {400.7, 299.2, 400, 300, 9, 400.7, 299.2},  // under a pixel: stays put
       {400.5, 300.25, 500, 300, 3, 406.5, 300.25}, // fractions survive
   };
   for (auto c : cases) {
      put({c.x, c.y, stale}, c.mx, c.my);
      for (int i = 0; i < c.frames; i++)
         move_player();
      EXPECT_DOUBLE_EQ(player.x, c.to_x)
          << "from (" << c.x << ", " << c.y << ") after " << c.frames;
      EXPECT_DOUBLE_EQ(player.y, c.to_y)
          << "from (" << c.x << ", " << c.y << ") after " << c.frames;
      EXPECT_EQ(player.angle, stale) << "moving leaves the heading";
   }
}

} // namespace
