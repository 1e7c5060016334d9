/*
 *      Allegro on a web page, built with Emscripten: the driver lists.
 *
 *      Copyright (c) 2026 the steer authors. Released under the zlib
 *      licence, as steer is (its LICENSE file has the text).
 */

#include "allegro.h"

#ifndef ALLEGRO_EMSCRIPTEN
   #error something is wrong with the makefile
#endif

_DRIVER_INFO _system_driver_list[] = {
    {SYSTEM_EMSCRIPTEN, &system_emscripten, TRUE},
    {SYSTEM_NONE, &system_none, FALSE},
    {0, NULL, 0}};

_DRIVER_INFO _timer_driver_list[] = {
    {TIMER_EMSCRIPTEN, &timer_emscripten, TRUE}, {0, NULL, 0}};

_DRIVER_INFO _keyboard_driver_list[] = {
    {KEYBOARD_EMSCRIPTEN, &keyboard_emscripten, TRUE}, {0, NULL, 0}};

_DRIVER_INFO _mouse_driver_list[] = {
    {MOUSE_EMSCRIPTEN, &mouse_emscripten, TRUE}, {0, NULL, 0}};

_DRIVER_INFO _gfx_driver_list[] = {{GFX_EMSCRIPTEN, &gfx_emscripten, TRUE},
                                   {0, NULL, 0}};

/* No sound and no joystick yet: Web Audio and the Gamepad API would serve. */
BEGIN_DIGI_DRIVER_LIST
END_DIGI_DRIVER_LIST

BEGIN_MIDI_DRIVER_LIST
END_MIDI_DRIVER_LIST

BEGIN_JOYSTICK_DRIVER_LIST
END_JOYSTICK_DRIVER_LIST
