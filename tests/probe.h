// What the tests share: the player and the pointer put in place, and colours
// compared as 0xRRGGBB, in a bitmap or in the window alike.
#pragma once

#include <allegro.h>

#include <cmath>

#include "world.h"

inline void put(actor state, int mx, int my)
{
   player = state;
   mouse_x = mx;
   mouse_y = my;
}

constexpr unsigned black = 0x000000, white = 0xffffff, red = 0xff0000,
                   yellow = 0xffff00, mask = 0xff00ff, text_pink = 0xff64c8;

// A pixel of a bitmap as 0xRRGGBB, however the library packs it.
inline unsigned rgb(BITMAP *bmp, int x, int y)
{
   int c = getpixel(bmp, x, y);
   return static_cast<unsigned>(getr(c) << 16 | getg(c) << 8 | getb(c));
}

// Where the centre of the image's pixel (u, v) lands on the screen, with the
// image's centre (32, 128) on (x, y) and the image turned by heading units
// (256 to a turn) clockwise: geometry alone, not the drawing code.
struct spot {
   double x, y;
};

inline spot lands(double x, double y, double heading, double u, double v)
{
   double a = heading * M_PI / 128, du = u + 0.5 - 32, dv = v + 0.5 - 128;
   return {x + du * std::cos(a) - dv * std::sin(a),
           y + du * std::sin(a) + dv * std::cos(a)};
}

// Whether the colour lies within a pixel of a spot, in a picture whose
// colours colour_at(x, y) gives: the library samples turned images at whole
// pixels.
template <class F> bool near(F colour_at, spot s, unsigned colour)
{
   for (int i = 0; i < 9; i++)
      if (colour_at(static_cast<int>(s.x) + i % 3 - 1,
                    static_cast<int>(s.y) + i / 3 - 1) == colour)
         return true;
   return false;
}
