// The player image and the frame: a black background, the heading as text,
// a crosshair on the pointer and the player turned to its heading.
#include "drawing.h"

#include "world.h"

BITMAP *make_sprite()
{
   constexpr int w = 64, h = 256;
   constexpr int left = 10, top = 10, right = 54, bottom = 246;
   constexpr int nose_x = 32, nose_y = 0;

   BITMAP *bmp = create_bitmap(w, h);
   if (!bmp)
      return nullptr;

   // Bright pink is the mask colour: it stays transparent when rotated.
   clear_to_color(bmp, makecol(255, 0, 255));
   rect(bmp, left, top, right, bottom, makecol(255, 0, 0));
   // The roof goes on last so that it takes the rectangle's top corners.
   line(bmp, left, top, nose_x, nose_y, makecol(255, 255, 0));
   line(bmp, nose_x, nose_y, right, top, makecol(255, 255, 0));
   return bmp;
}

void draw_frame()
{
   constexpr int text_x = 10, text_y = 10;
   constexpr int arm = 5;

   clear(scrbuf);

   textprintf_ex(scrbuf, font, text_x, text_y, makecol(255, 100, 200), -1,
                 "Angle: %0.0f", fixtof(player.angle));

   // The pointer moves in the background; each endpoint takes it afresh.
   line(scrbuf, mouse_x - arm, mouse_y, mouse_x + arm, mouse_y,
        makecol(255, 255, 255));
   line(scrbuf, mouse_x, mouse_y - arm, mouse_x, mouse_y + arm,
        makecol(255, 255, 255));

   // Half the image in whole pixels; the corner then truncates toward zero
   // on both sides of the window's edge: an x of 31.5 puts it at 0, where
   // rounding down would give -1.
   int left = static_cast<int>(player.x - sprite->w / 2);
   int top = static_cast<int>(player.y - sprite->h / 2);
   rotate_sprite(scrbuf, sprite, left, top, player.angle);

   blit(scrbuf, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
}
