// What steer knows of its X display: why it could not be opened, and what
// happens when it goes away.
#pragma once

#include <allegro.h>

#ifdef ALLEGRO_WITH_XWINDOWS
// Makes a lost X connection end steer with one line and status 1. Xlib's own
// handler would exit from the library's input thread, tearing the library
// down under the frame loop. Call it before the library opens the display.
void watch_display();

// Why the library would not start, when it does not say: its X driver is
// silent when the display cannot be opened, the usual cause.
const char *no_display();
#else
inline void watch_display() {}

inline const char *no_display()
{
   return nullptr;
}
#endif
