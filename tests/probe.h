// What the frame tests look for: colours as 0xRRGGBB, the library's own
// rendering of the heads-up text, and the slack that rotation needs.
#pragma once

#include <allegro.h>

constexpr unsigned black = 0x000000, white = 0xffffff, red = 0xff0000,
                   yellow = 0xffff00, mask = 0xff00ff, text_pink = 0xff64c8;

// A pixel of a bitmap as 0xRRGGBB, however the library packs it.
inline unsigned rgb(BITMAP *bmp, int x, int y)
{
   int c = getpixel(bmp, x, y);
   return static_cast<unsigned>(getr(c) << 16 | getg(c) << 8 | getb(c));
}

// A black 800 x 600 bitmap with the line of text where the heading goes.
inline BITMAP *reference_text(const char *s)
{
   BITMAP *bmp = create_bitmap(800, 600);
   clear(bmp);
   textout_ex(bmp, font, s, 10, 10, makecol(255, 100, 200), -1);
   return bmp;
}

// Whether the colour stands at (x, y) or a neighbour: the library's
// rotation may round an edge of the turned image by a pixel either way.
template <class Pixel> bool near(Pixel at, int x, int y, unsigned colour)
{
   for (int dy = -1; dy <= 1; dy++)
      for (int dx = -1; dx <= 1; dx++)
         if (at(x + dx, y + dy) == colour)
            return true;
   return false;
}
