// The three objects every part of steer shares: the back buffer, the player
// image and the player record. Each program that links the steps defines
// them once: steer's in main.cpp, the tests', the icon's and the
// benchmark's in their own.
#pragma once

#include <allegro.h>

// Where the player stands and where it points. The position is the image's
// centre in screen pixels and keeps its fractions between frames; the heading
// is a binary angle (256 to a full turn, 0 = nose up, clockwise positive).
struct actor {
   double x;
   double y;
   fixed angle;
};

extern BITMAP *scrbuf;
extern BITMAP *sprite;
extern actor player;
