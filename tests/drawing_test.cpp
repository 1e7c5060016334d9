// The player image and the composed frame, checked at probe pixels chosen
// where a fault would show: edges, corners and the first pixel past them.
#include <string>

#include <gtest/gtest.h>

#include "drawing.h"
#include "probe.h"
#include "world.h"

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
       {32, 246, red},  {9, 100, mask},   {11, 100, mask},  {53, 100, mask},
       {55, 100, mask}, {32, 1, mask},    {32, 9, mask},    {32, 11, mask},
       {32, 245, mask}, {32, 247, mask},  {9, 10, mask},    {55, 10, mask},
       {0, 0, mask},    {63, 255, mask},
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
   player = {x, y, angle};
   mouse_x = mx;
   mouse_y = my;
   draw_frame();
}

// The text's strip of the frame matches the reference pixel for pixel.
void expect_text(const char *s)
{
   BITMAP *ref = reference_text(s);
   for (int y = 0; y < 30; y++)
      for (int x = 0; x < 200; x++)
         ASSERT_EQ(at(x, y), rgb(ref, x, y))
             << "\"" << s << "\" at " << x << ", " << y;
   destroy_bitmap(ref);
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
   for (auto c : cases) {
      frame(400.0, 500.0, c.angle, 700, 500);
      expect_text(c.text);
   }
}

TEST(frame, player_image_stands_on_its_position)
{
   // Upright at the start position: the unrotated corner is (368, 172).
   frame(400.0, 300.0, 0, 700, 500);
   EXPECT_EQ(at(400, 172), yellow);
   EXPECT_EQ(at(400, 171), black);
   EXPECT_EQ(at(378, 182), yellow);
   EXPECT_EQ(at(378, 418), red);
   EXPECT_EQ(at(422, 418), red);
   EXPECT_EQ(at(377, 300), black);
   EXPECT_EQ(at(400, 300), black); // the mask stays transparent
   EXPECT_EQ(at(400, 419), black);

   // A quarter turn clockwise about (402, 300): the nose points right.
   frame(402.0, 300.0, itofix(64), 700, 500);
   EXPECT_TRUE(near(at, 530, 300, yellow));
   EXPECT_TRUE(near(at, 284, 300, red));
   EXPECT_TRUE(near(at, 402, 278, red));
   EXPECT_TRUE(near(at, 402, 322, red));
   EXPECT_EQ(at(402, 172), black);
   EXPECT_EQ(at(532, 300), black);

   // The corner truncates toward zero: 31.5 - 32 and 32.5 - 32 both give 0.
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
   for (auto p : pointers) {
      frame(600.0, 300.0, 0, p.mx, p.my);
      for (int d = -6; d <= 6; d++) {
         unsigned want = d >= -5 && d <= 5 ? white : black;
         int x = p.mx + d, y = p.my + d;
         if (x >= 0 && x < 800) {
            EXPECT_EQ(at(x, p.my), want) << x << ", " << p.my;
         }
         if (y >= 0 && y < 600) {
            EXPECT_EQ(at(p.mx, y), want) << p.mx << ", " << y;
         }
      }
      // Nothing wraps round to the far edges.
      EXPECT_EQ(at((p.mx + 400) % 800, p.my), black);
      EXPECT_EQ(at(p.mx, (p.my + 300) % 600), black);
   }
}

TEST(frame, image_covers_crosshair_covers_text)
{
   // A pixel of the text, found in the library's own rendering of it.
   BITMAP *ref = reference_text("Angle: 0");
   int tx = 0, ty = 0;
   for (int y = 10; y < 18 && !tx; y++)
      for (int x = 10; x < 30 && !tx; x++)
         if (rgb(ref, x, y) == text_pink)
            tx = x, ty = y;
   destroy_bitmap(ref);
   ASSERT_NE(tx, 0) << "no text in the reference";

   frame(600.0, 300.0, 0, tx, ty);
   EXPECT_EQ(at(tx, ty), white);

   // The image's left edge laid over the same pixel and over the crosshair.
   frame(tx + 22.0, ty + 28.0, 0, tx + 3, ty);
   EXPECT_EQ(at(tx, ty), red);
   EXPECT_EQ(at(tx + 3, ty), white); // seen through the mask

   frame(400.0, 300.0, 0, 378, 300);
   EXPECT_EQ(at(378, 300), red);
   EXPECT_EQ(at(377, 300), white);
   EXPECT_EQ(at(380, 300), white);
}

} // namespace
