// steer: an 800 x 600 window in which a tall player image turns to face the
// mouse pointer and, while Space is held, walks toward it. Esc ends it.
// Start-up, the frame loop and shutdown.
#include <allegro.h>

#include <cstdio>
#include <cstdlib>

#include "drawing.h"
#include "steering.h"
#include "world.h"

BITMAP *scrbuf;
BITMAP *sprite;
actor player;

// Why a start-up step failed: the library's own words where it has any. Its
// X driver says nothing when the display cannot be opened, the usual cause.
static const char *reason(const char *fallback)
{
   static char buf[256];
   if (allegro_error[0])
      return allegro_error;
   if (fallback)
      return fallback;
   const char *display = std::getenv("DISPLAY");
   if (!display || !display[0])
      return "no X display, DISPLAY is not set; run it in a desktop session";
   std::snprintf(buf, sizeof buf,
                 "no X display could be reached at DISPLAY=%s; check that "
                 "the X server is running and accepts this user",
                 display);
   return buf;
}

// Reports a failed start-up step on one line and releases what was acquired.
static int fail(const char *what, const char *fallback)
{
   std::fprintf(stderr, "steer: cannot %s: %s\n", what, reason(fallback));
   if (scrbuf)
      destroy_bitmap(scrbuf);
   if (sprite)
      destroy_bitmap(sprite);
   allegro_exit();
   return EXIT_FAILURE;
}

int main()
{
   constexpr int width = 800, height = 600, depth = 32;

   if (allegro_init() != 0)
      return fail("start the Allegro library", nullptr);
   if (install_keyboard() != 0)
      return fail("install the keyboard", "the library gave no reason");
   if (install_mouse() < 0)
      return fail("install the mouse", "the library gave no reason");
   if (install_timer() != 0)
      return fail("install the timer", "the library gave no reason");
   set_color_depth(depth);
   if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, width, height, 0, 0) != 0)
      return fail("open an 800x600 window in 32-bit colour",
                  "the library gave no reason");

   // The driver may grant another size than asked; everything follows it.
   scrbuf = create_bitmap(SCREEN_W, SCREEN_H);
   if (!scrbuf)
      return fail("create the back buffer", "out of memory");
   sprite = make_sprite();
   if (!sprite)
      return fail("create the player image", "out of memory");

   player.x = SCREEN_W / 2;
   player.y = SCREEN_H / 2;
   player.angle = 0;

   // Keys are sampled as held at each test; nothing paces the loop, so every
   // speed is a speed per frame.
   while (!key[KEY_ESC]) {
      aim_player();
      if (key[KEY_SPACE])
         move_player();
      draw_frame();
   }

   destroy_bitmap(scrbuf);
   destroy_bitmap(sprite);
   allegro_exit();
   return EXIT_SUCCESS;
}
END_OF_MAIN()
