// The library's own rendering of the heads-up text, to hold frames against.
#pragma once

#include <allegro.h>

// A black 800 x 600 bitmap with the line of text where the heading goes.
inline BITMAP *reference_text(const char *s)
{
   BITMAP *bmp = create_bitmap(800, 600);
   clear(bmp);
   textout_ex(bmp, font, s, 10, 10, makecol(255, 100, 200), -1);
   return bmp;
}
