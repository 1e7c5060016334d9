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

TEST(frame, image_corner_truncates_toward_zero)
{
   // 31.5 - 32 and 32.5 - 32 both give a left edge of 0, so the outline's
   // left side lands on column 10.
   for (double x : {31.5, 32.5}) {
      frame(x, 300.0, 0, 700, 500);
      EXPECT_EQ(at(10, 300), red) << x;
      EXPECT_EQ(at(9, 300), black) << x;
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
