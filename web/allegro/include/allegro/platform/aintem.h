/*
 *      Allegro on a web page, built with Emscripten: what the drivers
 *      share.
 *
 *      The page has one thread, and the program's loop runs on it without
 *      returning to the browser. So the library suspends the program
 *      (Asyncify) wherever a program shows a frame or waits: a blit to the
 *      screen, vsync(), rest() and yield_timeslice(). While it is
 *      suspended the browser paints the canvas and delivers events, and
 *      the drivers' event handlers update key[], mouse_x and the rest.
 *
 *      Copyright (c) 2026 the steer authors. Released under the zlib
 *      licence, as steer is (its LICENSE file has the text).
 */

#ifndef AINTEM_H
#define AINTEM_H

#ifdef __cplusplus
extern "C" {
#endif

/* Copies the screen to the canvas, if there is one. */
AL_FUNC(void, _em_present, (void));

/* Suspends the program for ms milliseconds or, when ms is negative, until
 * the browser's next animation frame: at most one per display refresh,
 * none while the page is hidden. */
AL_FUNC(void, _em_suspend, (int ms));

/* Called as the program is suspended: it has now run with the keys and
 * buttons pressed so far, whose releases may therefore take effect. */
AL_FUNC(void, _em_keyboard_turn, (void));
AL_FUNC(void, _em_mouse_turn, (void));

/* Called when the page loses the focus or is hidden, after which it hears
 * of no more releases: lets go of every key and button. */
AL_FUNC(void, _em_keyboard_release_all, (void));
AL_FUNC(void, _em_mouse_release_all, (void));

#ifdef __cplusplus
}
#endif

#endif
