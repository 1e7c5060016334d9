// The per-frame steps that update the player from the pointer.
#pragma once

// Turns the player's nose toward the mouse pointer.
void aim_player();

// Carries the player 2 pixels toward the mouse pointer.
void move_player();
