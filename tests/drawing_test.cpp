// The player image and the composed frame, checked at probe pixels chosen
// where a fault would show: edges, corners and the first pixel past them.
#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "drawing.h"
#include "probe.h"

namespace
{

unsigned at(int x, int y)
{
   return rgb(scrbuf, x, y);
}

TEST(image, roof_peaks_at_the_top_row_over_outline_corners)
{
   // The turned image's checks see the nose and far corners within a
   // pixel; these see the nose exactly, and the roof drawn over the
   // outline's top corners.
   EXPECT_EQ(rgb(sprite, 32, 0), yellow);
   EXPECT_EQ(rgb(sprite, 10, 10), yellow);
   EXPECT_EQ(rgb(sprite, 54, 10), yellow);
   EXPECT_EQ(rgb(sprite, 10, 11), red);
   EXPECT_EQ(rgb(sprite, 54, 11), red);
}

void frame(double x, double y, fixed angle, int mx, int my)
{
   put({x, y, angle}, mx, my);
   draw_frame();
}

// The top left of the frame, where the heading prints: '#' for its pink,
// '.' for black, '?' for anything else.
std::string text_of(double heading)
{
   frame(400.0, 500.0, ftofix(heading), 700, 500);
   std::string s;
   for (int i = 0; i < 200 * 30; i++)
      s += "?#."[(at(i % 200, i / 200) == text_pink) +
                 2 * (at(i % 200, i / 200) == black)];
   return s;
}

TEST(frame, heading_prints_rounded_to_whole_units)
{
   // In pink from (10, 10), in the font's cells of 8 x 8: lit pixels in the
   // cells alone, and in their first row and column.
   std::string upright = text_of(0);
   size_t top = 200, left = 200;
   for (size_t i = 0; i < upright.size(); i++) {
      size_t x = i % 200, y = i / 200;
      bool cells = y >= 10 && y < 18 && x >= 10 && x < 10 + 8 * 8;
      ASSERT_TRUE(upright[i] == '.' || (cells && upright[i] == '#'))
          << x << ", " << y;
      if (upright[i] == '#')
         top = std::min(top, y), left = std::min(left, x);
   }
   EXPECT_EQ(top, 10u);
   EXPECT_EQ(left, 10u);
   // A heading prints as the whole number it rounds to, not truncated, and
   // an exact half to the even one, as printf rounds it; not as its
   // neighbour.
   struct {
      double heading, whole, not_as;
   } cases[] = {{31.6, 32, 31}, {2.5, 2, 3}};
   for (auto c : cases) {
      EXPECT_EQ(text_of(c.heading), text_of(c.whole)) << c.heading;
      EXPECT_NE(text_of(c.heading), text_of(c.not_as)) << c.heading;
   }
}

TEST(frame, image_turns_clockwise_about_the_player)
{
   // Upright, four quarter turns, two diagonals, and over three edges.
   struct {
      double x, y, heading;
   } cases[] = {{400, 300, 0},   {402, 300, 64}, {400, 300, -128},
                {400, 300, -64}, {400, 300, 32}, {400, 300, -96},
                {10, 300, 64},   {400, 5, 0},    {790, 590, 96}};
   // The nose; the outline's far corners and the far side between them;
   // past the nose, the middle (seen through the mask), past the corners.
   struct {
      double u, v;
      unsigned colour;
   } probes[] = {{32, 0, yellow}, {10, 246, red},  {54, 246, red},
                 {32, 246, red},  {32, -3, black}, {32, 128, black},
                 {7, 249, black}, {57, 249, black}};
   for (auto c : cases) {
      frame(c.x, c.y, ftofix(c.heading), 700, 580);
      for (auto p : probes) {
         spot s = lands(c.x, c.y, c.heading, p.u, p.v);
         int x = static_cast<int>(s.x), y = static_cast<int>(s.y);
         if (x < 1 || x > 798 || y < 1 || y > 598)
            continue;
         // A line lands within a pixel of where geometry puts it; black
         // must be exactly there.
         EXPECT_TRUE(p.colour == black ? at(x, y) == black
                                       : near(at, s, p.colour))
             << "(" << p.u << ", " << p.v << ") at heading " << c.heading
             << " from " << c.x << ", " << c.y;
      }
      // What falls off one edge never comes back at the other.
      int far_x = c.x > 400 ? 0 : 799, far_y = c.y > 300 ? 0 : 599;
      for (int i = 0; i < 800; i++) {
         ASSERT_EQ(at(far_x, i % 600), black) << c.x << ", " << c.y;
         ASSERT_EQ(at(i, far_y), black) << c.x << ", " << c.y;
      }
   }
}

TEST(frame, image_corner_truncates_toward_zero_on_each_axis)
{
   // Upright, the outline's left side lies on column left + 10 and its
   // bottom on row top + 246, where (left, top) is the position less
   // (32, 128) truncated toward zero: from -0.5 to 0, where rounding down
   // gives -1, and from 0.7 to 0, where rounding gives 1.
   struct {
      double x, y;
      int left, top;
   } cases[] = {{31.5, 300, 0, 172},
                {32.7, 300, 0, 172},
                {400, 127.5, 368, 0},
                {400, 128.7, 368, 0}};
   for (auto c : cases) {
      frame(c.x, c.y, 0, 700, 580);
      int row = c.top + 200, col = c.left + 32;
      EXPECT_TRUE(at(c.left + 10, row) == red &&
                  at(c.left + 11, row) == black &&
                  at(col, c.top + 246) == red && at(col, c.top + 247) == black)
          << c.x << ", " << c.y;
   }
}

TEST(frame, crosshair_arms_clip_at_window_edges)
{
   struct {
      int mx, my;
   } pointers[] = {{200, 500}, {0, 0}, {799, 599}, {3, 597}};
   // Each arm lights 5 pixels either side of the pointer and nothing else
   // on its row or column: no pixel wraps round to the far edge.
   for (auto p : pointers) {
      frame(600.0, 300.0, 0, p.mx, p.my);
      for (int x = 0; x < 800; x++)
         ASSERT_EQ(at(x, p.my), abs(x - p.mx) <= 5 ? white : black) << x;
      for (int y = 0; y < 600; y++)
         ASSERT_EQ(at(p.mx, y), abs(y - p.my) <= 5 ? white : black) << y;
   }
}

TEST(frame, image_covers_crosshair_covers_text)
{
   // The first lit pixel of the text's "A", where the crosshair then sits.
   int tx = 10, ty = 10;
   frame(600.0, 300.0, 0, 700, 500);
   while (at(tx, ty) != text_pink && ty < 18)
      tx < 17 ? tx++ : (tx = 10, ty++);
   ASSERT_EQ(at(tx, ty), text_pink) << "no text";
   frame(600.0, 300.0, 0, tx, ty);
   EXPECT_EQ(at(tx, ty), white);

   // The outline's left side over the text and the crosshair's arm.
   frame(tx + 22.0, ty + 28.0, 0, tx + 3, ty);
   EXPECT_EQ(at(tx, ty), red);
   EXPECT_EQ(at(tx + 3, ty), white); // seen through the mask
}

} // namespace
