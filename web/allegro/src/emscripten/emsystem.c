/*
 *      Allegro on a web page, built with Emscripten: the system driver,
 *      and the suspension of the program that lets the page run.
 *
 *      Copyright (c) 2026 the steer authors. Released under the zlib
 *      licence, as steer is (its LICENSE file has the text).
 */

#include <stdio.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "allegro/platform/aintem.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#ifndef ALLEGRO_EMSCRIPTEN
   #error something is wrong with the makefile
#endif

static int em_sys_init(void);
static void em_sys_exit(void);
static void em_set_window_title(AL_CONST char *name);
static void em_message(AL_CONST char *msg);
static int em_desktop_color_depth(void);
static int em_get_desktop_resolution(int *width, int *height);
static void em_get_gfx_safe_mode(int *driver, struct GFX_MODE *mode);
static int em_set_display_switch_mode(int mode);

SYSTEM_DRIVER system_emscripten = {
    SYSTEM_EMSCRIPTEN,
    empty_string,
    empty_string,
    "Emscripten",
    em_sys_init,
    em_sys_exit,
    NULL, /* get_executable_name: a page is no file; the library says "./" */
    NULL, /* find_resource */
    em_set_window_title,
    NULL, /* set_close_button_callback: a page has no close button */
    em_message,
    NULL, /* assert */
    NULL, /* save_console_state: no console */
    NULL, /* restore_console_state */
    NULL, /* create_bitmap: memory bitmaps only */
    NULL, /* created_bitmap */
    NULL, /* create_sub_bitmap */
    NULL, /* created_sub_bitmap */
    NULL, /* destroy_bitmap */
    NULL, /* read_hardware_palette: true colour only */
    NULL, /* set_palette_range */
    NULL, /* get_vtable */
    em_set_display_switch_mode,
    NULL, /* display_switch_lock */
    em_desktop_color_depth,
    em_get_desktop_resolution,
    em_get_gfx_safe_mode,
    NULL, /* yield_timeslice: the library's rest(0) yields by name */
    NULL, /* create_mutex: one thread, nothing to lock */
    NULL, /* destroy_mutex */
    NULL, /* lock_mutex */
    NULL, /* unlock_mutex */
    NULL, /* gfx_drivers: the lists in emdrivers.c */
    NULL, /* digi_drivers */
    NULL, /* midi_drivers */
    NULL, /* keyboard_drivers */
    NULL, /* mouse_drivers */
    NULL, /* joystick_drivers */
    NULL  /* timer_drivers */
};

void (*_em_show)(void);
void (*_em_timer_turn)(void);
void (*_em_keyboard_turn)(void);
void (*_em_keyboard_release_all)(void);
void (*_em_mouse_turn)(void);
void (*_em_mouse_release_all)(void);

/* Suspends the program until the next animation frame. Asyncify knows an
 * import that suspends by the prefix that EM_ASYNC_JS gives its name; the
 * resumption is made here rather than from a promise, so that the exit()
 * that ends a program (an ExitStatus thrown through it) is no uncaught
 * rejection. The page hears of a crash through Module.onAbort with the
 * error itself, which its error event may not name: a browser may tell a
 * page opened from disk only "Script error.". */
_EM_JS(void, em_js_next_frame, __asyncjs__em_js_next_frame, (void),
       "{ return Asyncify.handleSleep(function (wakeUp) {"
       "     requestAnimationFrame(function () {"
       "        try { wakeUp(); }"
       "        catch (e) {"
       "           if (e instanceof ExitStatus) return;"
       "           if (Module['onAbort']) Module['onAbort'](e);"
       "           throw e;"
       "        }"
       "     });"
       "  }); }");

EM_JS(void, em_js_count_from_zero, (void),
      { Module['allegroStats'] = {frames : 0, workMs : 0, showMs : 0}; });

/* Counts a frame shown; the page hears of the first through
 * Module.onFirstFrame, if it has one. */
EM_JS(void, em_js_count, (double work, double show), {
   var stats = Module['allegroStats'];
   if (stats.frames++ == 0 && Module['onFirstFrame'])
      Module['onFirstFrame']();
   stats.workMs += work;
   stats.showMs += show;
});

/* When the program last came back from waiting, in ms. */
static double resumed;

void _em_wait(int ms)
{
   double start = emscripten_get_now(), shown;

   if (_em_show)
      _em_show();
   shown = emscripten_get_now();
   if (_em_keyboard_turn)
      _em_keyboard_turn();
   if (_em_mouse_turn)
      _em_mouse_turn();
   if (_em_timer_turn)
      _em_timer_turn();
   if (ms < 0) {
      em_js_count(start - resumed, shown - start);
      em_js_next_frame();
   } else
      emscripten_sleep(ms);
   resumed = emscripten_get_now();
   if (_em_timer_turn)
      _em_timer_turn();
}

/* A page that loses the focus or is hidden hears of no more releases: what
 * is held is let go, as the X port does when its window loses the focus. */
static void release_all(void)
{
   if (_em_keyboard_release_all)
      _em_keyboard_release_all();
   if (_em_mouse_release_all)
      _em_mouse_release_all();
}

/* The program hears of the focus coming and going through its display
 * switch callbacks, as the X port tells it. */
static EM_BOOL em_focus(int type, AL_CONST EmscriptenFocusEvent *e, void *data)
{
   if (type == EMSCRIPTEN_EVENT_BLUR) {
      release_all();
      _switch_out();
   } else
      _switch_in();
   return FALSE;
}

static EM_BOOL
em_visibility(int type, AL_CONST EmscriptenVisibilityChangeEvent *e, void *data)
{
   if (e->hidden)
      release_all();
   return FALSE;
}

static int em_sys_init(void)
{
   os_type = OSTYPE_UNKNOWN;
   os_multitasking = TRUE;
   em_js_count_from_zero();
   resumed = emscripten_get_now();
   emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, FALSE,
                                em_focus);
   emscripten_set_focus_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, FALSE,
                                 em_focus);
   emscripten_set_visibilitychange_callback(NULL, FALSE, em_visibility);
   set_display_switch_mode(SWITCH_BACKGROUND);
   return 0;
}

static void em_sys_exit(void)
{
   emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, FALSE,
                                NULL);
   emscripten_set_focus_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, FALSE,
                                 NULL);
   emscripten_set_visibilitychange_callback(NULL, FALSE, NULL);
}

EM_JS(void, em_js_set_title, (AL_CONST char *name),
      { document.title = UTF8ToString(name); });

static void em_set_window_title(AL_CONST char *name)
{
   char title[256];
   em_js_set_title(uconvert(name, U_CURRENT, title, U_UTF8, sizeof title));
}

/* The page shows what the program writes to stderr. */
static void em_message(AL_CONST char *msg)
{
   char text[ALLEGRO_MESSAGE_SIZE];
   fputs(uconvert(msg, U_CURRENT, text, U_UTF8, sizeof text), stderr);
}

static int em_desktop_color_depth(void)
{
   return 32;
}

static int em_get_desktop_resolution(int *width, int *height)
{
   *width = EM_ASM_INT({ return screen.width; });
   *height = EM_ASM_INT({ return screen.height; });
   return 0;
}

static void em_get_gfx_safe_mode(int *driver, struct GFX_MODE *mode)
{
   *driver = GFX_EMSCRIPTEN;
   mode->width = 640;
   mode->height = 480;
   mode->bpp = 32;
}

/* A page runs on in the background, as the X port does, though one that
 * is hidden is given no animation frames to wait for. */
static int em_set_display_switch_mode(int mode)
{
   return mode == SWITCH_BACKGROUND ? 0 : -1;
}
