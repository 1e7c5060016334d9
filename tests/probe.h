// What the tests share: the player and the pointer put in place, and colours
// compared as 0xRRGGBB, in a bitmap or in the window alike.
#pragma once

#include <allegro.h>

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
