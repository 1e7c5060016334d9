// The player image and the composed frame, checked at probe pixels chosen
// where a fault would show: edges, corners and the first pixel past them.
#include <gtest/gtest.h>

#include "drawing.h"
#include "probe.h"

namespace
{

unsigned at(int x, int y)
{
   return rgb(scrbuf, x, y);
}

TEST(image, red_outline_under_yellow_roof_on_mask)
{
   ASSERT_EQ(sprite->w, 64);
   ASSERT_EQ(sprite->h, 256);
   struct {
      int x, y;
      unsigned colour;
   } probes[] = {
       {32, 0, yellow}, {10, 10, yellow}, {54, 10, yellow}, {10, 11, red},
       {54, 11, red},   {32, 10, red},    {10, 246, red},   {54, 246, red},
       {32, 246, red},  {11, 100, mask},  {53, 100, mask},  {32, 1, mask},
       {32, 9, mask},   {32, 11, mask},   {32, 245, mask},
   };
   for (auto p : probes)
      EXPECT_EQ(rgb(sprite, p.x, p.y), p.colour) << p.x << ", " << p.y;

   // The margins are entirely mask: rows below the outline, columns beside.
   for (int y = 0; y < 256; y++)
      for (int x = 0; x < 64; x++)
         if (y >= 247 || x <= 9 || x >= 55) {
            ASSERT_EQ(rgb(sprite, x, y), mask) << x << ", " << y;
         }
}

void frame(double x, double y, fixed angle, int mx, int my)
{
   put({x, y, angle}, mx, my);
   draw_frame();
}

TEST(frame, heading_prints_rounded_to_whole_units)
{
   struct {
      fixed angle;
      const char *text;
   } cases[] = {
       {0, "Angle: 0"},
       {itofix(64), "Angle: 64"},
       {itofix(-128), "Angle: -128"},
       {ftofix(31.6), "Angle: 32"},
       {ftofix(-0.4), "Angle: -0"},
       {ftofix(2.5), "Angle: 2"},
   };
   // The text's strip of the frame is the line as the library renders it.
   BITMAP *ref = create_bitmap(200, 30);
   for (auto c : cases) {
      frame(400.0, 500.0, c.angle, 700, 500);
      clear(ref);
      textout_ex(ref, font, c.text, 10, 10, makecol(255, 100, 200), -1);
      for (int y = 0; y < 30; y++)
         for (int x = 0; x < 200; x++)
            ASSERT_EQ(at(x, y), rgb(ref, x, y)) << c.text;
   }
   destroy_bitmap(ref);
}

// Whether the frame has the colour within a pixel of a spot: the library
// samples the turned image at whole pixels.
bool near(spot s, unsigned colour)
{
   for (int dy = -1; dy <= 1; dy++)
      for (int dx = -1; dx <= 1; dx++)
         if (at(static_cast<int>(s.x) + dx, static_cast<int>(s.y) + dy) ==
             colour)
            return true;
   return false;
}

bool on_screen(spot s)
{
   return s.x >= 1 && s.x < 799 && s.y >= 1 && s.y < 599;
}

TEST(frame, image_turns_clockwise_about_the_player)
{
   struct {
      double x, y, heading;
      const char *what;
   } cases[] = {
       {400.0, 300.0, 0, "upright"},
       {402.0, 300.0, 64, "a quarter turn, nose right"},
       {400.0, 300.0, -128, "half a turn, nose down"},
       {400.0, 300.0, -64, "nose left"},
       {400.0, 300.0, 32, "an eighth of a turn, up and right"},
       {400.0, 300.0, -96, "down and left"},
       {10.0, 300.0, 64, "over the left edge"},
       {400.0, 5.0, 0, "over the top edge"},
       {790.0, 590.0, 96, "over the bottom right corner"},
   };
   struct {
      double u, v;
      unsigned colour;
   } probes[] = {
       {32, 0, yellow},  // the nose
       {10, 246, red},   // the outline's far corners
       {54, 246, red},   //
       {32, 246, red},   // and its far side between them
       {32, -3, black},  // past the nose
       {32, 128, black}, // the middle, seen through the mask
       {7, 249, black},  // past the far corners
       {57, 249, black}, //
   };
   for (auto c : cases) {
      frame(c.x, c.y, ftofix(c.heading), 700, 580);
      for (auto p : probes) {
         spot s = lands(c.x, c.y, c.heading, p.u, p.v);
         if (!on_screen(s))
            continue;
         if (p.colour == black)
            EXPECT_EQ(at(static_cast<int>(s.x), static_cast<int>(s.y)), black)
                << c.what << ": (" << p.u << ", " << p.v << ")";
         else
            EXPECT_TRUE(near(s, p.colour))
                << c.what << ": (" << p.u << ", " << p.v << ")";
      }
      // What falls off one edge never comes back at the other.
      int far_x = c.x > 400 ? 0 : 799, far_y = c.y > 300 ? 0 : 599;
      for (int y = 0; y < 600; y++)
         ASSERT_EQ(at(far_x, y), black) << c.what << ": column " << far_x;
      for (int x = 0; x < 800; x++)
         ASSERT_EQ(at(x, far_y), black) << c.what << ": row " << far_y;
   }
}

TEST(frame, image_corner_truncates_toward_zero_on_each_axis)
{
   // Upright, the outline's sides lie on columns left + 10 and left + 54,
   // its bottom on row top + 246 and the nose at (left + 32, top), where
   // (left, top) is the position less (32, 128), truncated toward zero.
   struct {
      double x, y;
      int left, top;
   } cases[] = {
       {31.5, 300.0, 0, 172},    // -0.5: 0, where rounding down gives -1
       {32.7, 300.0, 0, 172},    // 0.7: 0, where rounding gives 1
       {400.7, 300.0, 368, 172}, // well inside
       {400.0, 127.5, 368, 0},   // the same down the screen
       {400.0, 128.7, 368, 0},   //
       {400.0, 300.7, 368, 172}, //
   };
   for (auto c : cases) {
      frame(c.x, c.y, 0, 700, 580);
      int row = c.top + 200, col = c.left + 32;
      struct {
         int x, y;
         unsigned colour;
      } probes[] = {
          {c.left + 9, row, black},  {c.left + 10, row, red},
          {c.left + 11, row, black}, {c.left + 53, row, black},
          {c.left + 54, row, red},   {c.left + 55, row, black},
          {col, c.top + 245, black}, {col, c.top + 246, red},
          {col, c.top + 247, black}, {col, c.top, yellow},
          {col, c.top + 1, black},
      };
      for (auto p : probes)
         EXPECT_EQ(at(p.x, p.y), p.colour)
             << "at (" << c.x << ", " << c.y << "): " << p.x << ", " << p.y;
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
