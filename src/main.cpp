// steer: an 800 x 600 window in which a tall player image turns to face the
// mouse pointer and, while Space is held, walks toward it. Esc ends it.
// Start-up, the frame loop and shutdown.
#include <allegro.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#ifdef ALLEGRO_UNIX
#include <pthread.h>
#endif

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

// Which endings steer was started with ignored, as nohup and background
// jobs start it; those stay ignored.
static bool kept_ignored[std::size(endings)];

#ifdef ALLEGRO_UNIX
// The signal mask steer started with, while the endings are held back.
static sigset_t entry_mask;
#endif

// Holds the endings back while the library starts: its X driver installs
// emergency handlers of its own first thing and starts a background thread,
// and either could run them. Threads started meanwhile inherit the block and
// keep it, so that afterwards only the main thread ever takes an ending.
static void hold_endings()
{
   for (size_t i = 0; i < std::size(endings); i++) {
      auto old = std::signal(endings[i], SIG_IGN);
      std::signal(endings[i], old);
      kept_ignored[i] = old == SIG_IGN;
   }
#ifdef ALLEGRO_UNIX
   sigset_t set;
   sigemptyset(&set);
   for (int sig : endings)
      sigaddset(&set, sig);
   pthread_sigmask(SIG_BLOCK, &set, &entry_mask);
#endif
}

// Puts steer's handlers in place of the library's, then lets through an
// ending that came while they were held back.
static void take_endings()
{
   for (size_t i = 0; i < std::size(endings); i++)
      std::signal(endings[i], kept_ignored[i] ? SIG_IGN : end_on);
#ifdef ALLEGRO_UNIX
   pthread_sigmask(SIG_SETMASK, &entry_mask, nullptr);
#endif
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

   name_window();
   watch_display();
   hold_endings();
   int started = allegro_init();
   take_endings();
   if (started != 0)
      return fail("start the Allegro library", no_display());
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
