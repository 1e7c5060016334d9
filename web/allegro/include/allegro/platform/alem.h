/*
 *      Allegro on a web page, built with Emscripten: the drivers.
 *
 *      Copyright (c) 2026 the steer authors. Released under the zlib
 *      licence, as steer is (its LICENSE file has the text).
 */

#ifndef ALEM_H
#define ALEM_H

#ifndef ALLEGRO_EMSCRIPTEN
   #error bad include
#endif

/* The page itself: no threads, signals or devices of its own. */
#define SYSTEM_EMSCRIPTEN AL_ID('E', 'M', 'S', 'Y')
AL_VAR(SYSTEM_DRIVER, system_emscripten);

/* The library's timers, ticked by browser timeouts. */
#define TIMER_EMSCRIPTEN AL_ID('E', 'M', 'T', 'I')
AL_VAR(TIMER_DRIVER, timer_emscripten);

/* The page's keyboard events. */
#define KEYBOARD_EMSCRIPTEN AL_ID('E', 'M', 'K', 'B')
AL_VAR(KEYBOARD_DRIVER, keyboard_emscripten);

/* The pointer over the canvas. */
#define MOUSE_EMSCRIPTEN AL_ID('E', 'M', 'M', 'S')
AL_VAR(MOUSE_DRIVER, mouse_emscripten);

/* A 2D canvas, Module.canvas, in 32-bit colour. */
#define GFX_EMSCRIPTEN AL_ID('E', 'M', 'G', 'F')
AL_VAR(GFX_DRIVER, gfx_emscripten);

#endif
