// What steer does when the X server goes away under it.
#pragma once

#include <allegro.h>

#ifdef ALLEGRO_WITH_XWINDOWS
// Makes a lost X connection end steer with one line and status 1. Xlib's own
// handler would exit from the library's input thread, tearing the library
// down under the frame loop. Call it before the library opens the display.
void watch_display();
#else
inline void watch_display() {}
#endif
