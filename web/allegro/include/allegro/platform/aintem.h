/*
 *      Allegro on a web page, built with Emscripten: what the drivers
 *      share.
 *
 *      The page has one thread, and the program's loop runs on it without
 *      returning to the browser. So the library suspends the program
 *      (Asyncify) wherever a program shows a frame or waits: once a frame
 *      as it blits to the screen, vsync(), rest() and yield_timeslice().
 *      While it is suspended the browser paints the canvas and delivers
 *      events, and the drivers' event handlers update key[], mouse_x and
 *      the rest.
 *
 *      Only the functions on the way to a wait are made able to suspend,
 *      and the build finds them by following calls by name from
 *      _em_wait(): so the library calls the functions below by name where
 *      it would call a driver's method, and no function that can wait is
 *      a driver's or a bitmap's method, or otherwise called through a
 *      pointer. The library's own test program (tests/web_library.cpp) is
 *      built to stop with a RuntimeError ("unreachable") wherever a call
 *      through a pointer reaches a wait all the same.
 *
 *      Copyright (c) 2026 the steer authors. Released under the zlib
 *      licence, as steer is (its LICENSE file has the text).
 */

#ifndef AINTEM_H
#define AINTEM_H

#ifdef __cplusplus
extern "C" {
#endif

/* Shows the screen, if there is one, and hands the page back to the
 * browser: for ms milliseconds or, when ms is negative, until its next
 * animation frame, which comes at most once a display refresh and not
 * while the page is hidden. Module.allegroStats counts the waits for an
 * animation frame and the time before them: the program's own since it
 * last came back from waiting, and the showing; at the first of them, with
 * the first frame shown, the page's Module.onFirstFrame is called. */
AL_FUNC(void, _em_wait, (int ms));

/* rest_callback(), rest() and, with no time, yield_timeslice(). */
AL_FUNC(void, _em_rest, (unsigned int ms, void (*callback)(void)));

/* The graphics driver's part in blit(), before and after the copy: a
 * frame that a blit to the screen begins or makes whole is shown. */
AL_FUNC(void, _em_blitting, (BITMAP * dest, int x, int y, int w, int h));
AL_FUNC(void, _em_blitted, (void));

/* Hooks that the other drivers set while installed, and the system driver
 * calls: the graphics driver's copies the screen to the canvas; the input
 * drivers' turn is taken as the program waits, having run with the keys
 * and buttons pressed so far, whose releases may therefore take effect;
 * and their release_all as the page loses the focus or is hidden, after
 * which it hears of no more releases. The timer driver's turn is taken as
 * the program goes to wait and as it comes back. */
AL_FUNCPTR(void, _em_show, (void));
AL_FUNCPTR(void, _em_timer_turn, (void));
AL_FUNCPTR(void, _em_keyboard_turn, (void));
AL_FUNCPTR(void, _em_keyboard_release_all, (void));
AL_FUNCPTR(void, _em_mouse_turn, (void));
AL_FUNCPTR(void, _em_mouse_release_all, (void));

#ifdef __cplusplus
}
#endif

#endif
