// The player image and the frame composed around it.
#pragma once

#include <allegro.h>

// Creates the player image: a tall red outline with a yellow pointed nose at
// its top centre on a transparent background. Returns NULL when no memory.
BITMAP *make_sprite();

// Composes one frame in scrbuf and copies it to the screen.
void draw_frame();
