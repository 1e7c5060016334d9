// steer's window on its X display, and the display that could not be opened
// or was lost. Only the X build has this file.
#include "display.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include <X11/Xlib.h>
#include <unistd.h>
#include <xalleg.h>

// steer_xpm: the icon, drawn at build time from the player image.
#include "steer.xpm"

// The library's window icon, an XPM: documented in its manual, but declared
// in none of its installed headers.
extern "C" void *allegro_icon;

void name_window()
{
   xwin_set_window_name("steer", "steer");
   allegro_icon = steer_xpm;
}

static int lost(Display *dpy)
{
   // The loop and the library's input thread may both find the connection
   // gone: the first says so and ends the process, the other waits for it.
   static std::atomic_flag told = ATOMIC_FLAG_INIT;
   if (told.test_and_set())
      for (;;)
         pause();
   std::fprintf(stderr,
                "steer: lost the X display %s: the X server stopped or "
                "closed the connection; start steer again once it is back\n",
                DisplayString(dpy));
   // Nothing of the library can be shut down without its display.
   _exit(EXIT_FAILURE);
}

void watch_display()
{
   XSetIOErrorHandler(lost);
}

const char *no_display()
{
   static char why[256];
   const char *display = std::getenv("DISPLAY");
   if (!display || !display[0])
      return "no X display, DISPLAY is not set; run it in a desktop session";
   std::snprintf(why, sizeof why,
                 "no X display could be reached at DISPLAY=%s; check that "
                 "the X server is running and accepts this user",
                 display);
   return why;
}
