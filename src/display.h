// What steer knows of its X display: how its window is known there, why the
// display could not be opened, and what happens when it goes away.
#pragma once

#include <allegro.h>

#ifdef ALLEGRO_WITH_XWINDOWS
// Gives the window steer's own class and icon, for the window manager and
// the desktop's menus and docs to know it by. Call it before the library
// creates the window, which it does as it starts.
void name_window();

// Makes a lost X connection end steer with one line and status 1. Xlib's own
// handler would exit from the library's input thread, tearing the library
// down under the frame loop. Call it before the library opens the display.
void watch_display();

// Why the library would not start, when it does not say: its X driver is
// silent when the display cannot be opened, the usual cause.
const char *no_display();
#else
inline void name_window() {}

inline void watch_display() {}

inline const char *no_display()
{
   return nullptr;
}
#endif
