// steer: an 800 x 600 window in which a tall player image turns to face the
// mouse pointer and, while Space is held, walks toward it. Esc ends it.
// Start-up, the frame loop and shutdown.
#include <allegro.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "display.h"
#include "drawing.h"
#include "steering.h"
#include "world.h"

BITMAP *scrbuf;
BITMAP *sprite;
actor player;

// Ctrl+C, kill and a closed terminal end steer as Esc does: the frame under
// way completes and everything is released. The library's own handlers
// would shut it down at once, from whichever thread took the signal, under
// the loop still drawing.
static const int endings[] = {
    SIGINT,
    SIGTERM,
#ifdef SIGHUP
    SIGHUP,
#endif
};

// The signal that asked steer to end, or 0.
static volatile std::sig_atomic_t ending;

static void end_on(int sig)
{
   ending = sig;
}

// Whether steer was started with the signal ignored, as nohup and
// background jobs start it; such a signal stays ignored.
static bool ignored(int sig)
{
   auto old = std::signal(sig, SIG_IGN);
   std::signal(sig, old);
   return old == SIG_IGN;
}

// Reports a failed start-up step on one line, in the library's own words
// where it has any, and releases what was acquired.
static int fail(const char *what, const char *why = nullptr)
{
   if (allegro_error[0])
      why = allegro_error;
   std::fprintf(stderr, "steer: cannot %s: %s\n", what,
                why ? why : "the library gave no reason");
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

   bool keep_ignored[std::size(endings)];
   for (size_t i = 0; i < std::size(endings); i++)
      keep_ignored[i] = ignored(endings[i]);

   watch_display();
   if (allegro_init() != 0)
      return fail("start the Allegro library", no_display());
   for (size_t i = 0; i < std::size(endings); i++)
      std::signal(endings[i], keep_ignored[i] ? SIG_IGN : end_on);
   if (install_keyboard() != 0)
      return fail("install the keyboard");
   if (install_mouse() < 0)
      return fail("install the mouse");
   if (install_timer() != 0)
      return fail("install the timer");
   set_color_depth(depth);
   if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, width, height, 0, 0) != 0)
      return fail("open an 800x600 window in 32-bit colour");

   // The driver may grant another size than asked; everything follows it.
   scrbuf = create_bitmap(SCREEN_W, SCREEN_H);
   if (!scrbuf)
      return fail("create the back buffer", "out of memory");
   sprite = make_sprite();
   if (!sprite)
      return fail("create the player image", "out of memory");

   // Halved in whole pixels, so the player starts on a pixel even when the
   // granted size is odd.
   player.x = SCREEN_W / 2;
   player.y = SCREEN_H / 2;
   player.angle = 0;

   // Keys are sampled as held at each test; nothing paces the loop, so every
   // speed is a speed per frame.
   while (!key[KEY_ESC] && !ending) {
      aim_player();
      if (key[KEY_SPACE])
         move_player();
      draw_frame();
   }

   destroy_bitmap(scrbuf);
   destroy_bitmap(sprite);
   allegro_exit();

   // Ended by a signal, steer ends by it again, so that the shell sees why.
   if (ending) {
      std::signal(ending, SIG_DFL);
      std::raise(ending);
   }
   return EXIT_SUCCESS;
}
END_OF_MAIN()
