/*
 *      Allegro on a web page, built with Emscripten: the graphics driver.
 *
 *      The screen is a memory bitmap that is copied to a 2D canvas,
 *      Module.canvas, one canvas pixel to a screen pixel. A blit to the
 *      screen, vsync(), rest() and yield_timeslice() show it on the canvas
 *      and then suspend the program until the browser's next animation
 *      frame (blit and vsync) or for the time asked (see aintem.h). Drawing
 *      on the screen by other means shows at the next of those.
 *
 *      Copyright (c) 2026 the steer authors. Released under the zlib
 *      licence, as steer is (its LICENSE file has the text).
 */

#include <stdint.h>
#include <string.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "allegro/platform/aintem.h"

#include <emscripten.h>

#ifndef ALLEGRO_EMSCRIPTEN
   #error something is wrong with the makefile
#endif

static BITMAP *em_gfx_init(int w, int h, int v_w, int v_h, int color_depth);
static void em_gfx_exit(BITMAP *b);
static void em_gfx_vsync(void);

GFX_DRIVER gfx_emscripten = {
    GFX_EMSCRIPTEN,
    empty_string,
    empty_string,
    "Emscripten canvas",
    em_gfx_init,
    em_gfx_exit,
    NULL, /* scroll: no virtual screen */
    em_gfx_vsync,
    NULL, /* set_palette: true colour only */
    NULL, /* request_scroll */
    NULL, /* poll_scroll */
    NULL, /* enable_triple_buffer */
    NULL, /* create_video_bitmap: the screen is the one video bitmap */
    NULL, /* destroy_video_bitmap */
    NULL, /* show_video_bitmap */
    NULL, /* request_video_bitmap */
    NULL, /* create_system_bitmap */
    NULL, /* destroy_system_bitmap */
    NULL, /* set_mouse_sprite: the page's own pointer is hidden (emmouse.c) */
    NULL, /* show_mouse */
    NULL, /* hide_mouse */
    NULL, /* move_mouse */
    NULL, /* drawing_mode */
    NULL, /* save_video_state */
    NULL, /* restore_video_state */
    NULL, /* set_blender_mode */
    NULL, /* fetch_mode_list: any size the canvas can take */
    0,    /* width, set by em_gfx_init() */
    0,    /* height, set by em_gfx_init() */
    TRUE, /* linear */
    0,    /* bank size */
    0,    /* bank granularity */
    0,    /* video memory, set by em_gfx_init() */
    0,    /* physical base address */
    TRUE  /* windowed */
};

/* The screen's methods as the library made them, before its blits were
 * wrapped; its pixels, bytes R G B 0, and the same made opaque for the
 * canvas; and when the program last came back from a frame, in ms. */
static GFX_VTABLE screen_vtable;
static uint32_t *pixels, *opaque;
static double resumed;

/* Module.allegroStats counts the frames shown and the time spent on them:
 * the program's own work from one frame's resumption to the next frame's
 * copy to the canvas, and that copy. */
EM_JS(int, em_js_canvas_open, (int w, int h), {
   var canvas = Module['canvas'];
   if (!canvas)
      return 0;
   canvas.width = w;
   canvas.height = h;
   var context = canvas.getContext('2d', {alpha : false});
   if (!context)
      return 0;
   Module['allegroContext'] = context;
   Module['allegroStats'] = {frames : 0, workMs : 0, showMs : 0};
   return 1;
});

EM_JS(void, em_js_canvas_put, (const void *rgba, int w, int h, double work), {
   var start = performance.now();
   var image = new ImageData(
       new Uint8ClampedArray(HEAPU8.buffer, rgba, w * h * 4), w, h);
   Module['allegroContext'].putImageData(image, 0, 0);
   var stats = Module['allegroStats'];
   stats.frames++;
   stats.workMs += work;
   stats.showMs += performance.now() - start;
});

/* The canvas keeps the last frame shown. */
EM_JS(void, em_js_canvas_close, (void), { delete Module['allegroContext']; });

void _em_present(void)
{
   double start;
   int i, n;

   if (!pixels)
      return;
   start = emscripten_get_now();
   /* The library leaves the alpha byte 0, which Firefox would draw as
    * black even on an opaque canvas. */
   n = gfx_emscripten.w * gfx_emscripten.h;
   for (i = 0; i < n; i++)
      opaque[i] = pixels[i] | 0xFF000000u;
   em_js_canvas_put(opaque, gfx_emscripten.w, gfx_emscripten.h,
                    start - resumed);
}

/* Shows the screen, and lets the browser paint it before the program
 * draws the next frame. */
static void show_frame(void)
{
   _em_present();
   _em_suspend(-1);
   resumed = emscripten_get_now();
}

#define SHOWN_BLIT(name)                                                       \
   static void shown_##name(BITMAP *src, BITMAP *dest, int sx, int sy, int dx, \
                            int dy, int w, int h)                              \
   {                                                                           \
      screen_vtable.name(src, dest, sx, sy, dx, dy, w, h);                     \
      show_frame();                                                            \
   }

SHOWN_BLIT(blit_from_memory)
SHOWN_BLIT(blit_from_system)
SHOWN_BLIT(blit_to_self)
SHOWN_BLIT(blit_between_formats)

static BITMAP *em_gfx_init(int w, int h, int v_w, int v_h, int color_depth)
{
   BITMAP *b;

   if (color_depth != 32) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE,
               get_config_text("Unsupported color depth"));
      return NULL;
   }
   if (w <= 0 || h <= 0 || v_w > w || v_h > h) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE,
               get_config_text("Unsupported virtual resolution"));
      return NULL;
   }
   if (!em_js_canvas_open(w, h)) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE,
               get_config_text("No canvas to draw on (Module.canvas)"));
      return NULL;
   }

   /* The library's own layout for 32 bits is the canvas's byte order. */
   _rgb_r_shift_32 = 0;
   _rgb_g_shift_32 = 8;
   _rgb_b_shift_32 = 16;
   _rgb_a_shift_32 = 24;

   pixels = _AL_MALLOC_ATOMIC(w * h * 4);
   opaque = _AL_MALLOC_ATOMIC(w * h * 4);
   if (pixels)
      memset(pixels, 0, w * h * 4);
   gfx_emscripten.w = w;
   gfx_emscripten.h = h;
   gfx_emscripten.vid_mem = w * h * 4;
   b = pixels && opaque ? _make_bitmap(w, h, (uintptr_t)pixels, &gfx_emscripten,
                                       color_depth, w * 4)
                        : NULL;
   if (!b) {
      em_gfx_exit(NULL);
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE,
               get_config_text("Not enough memory"));
      return NULL;
   }

   screen_vtable = *b->vtable;
   b->vtable->blit_from_memory = shown_blit_from_memory;
   b->vtable->blit_from_system = shown_blit_from_system;
   b->vtable->blit_to_self = shown_blit_to_self;
   b->vtable->blit_between_formats = shown_blit_between_formats;

   resumed = emscripten_get_now();
   return b;
}

static void em_gfx_exit(BITMAP *b)
{
   em_js_canvas_close();
   _AL_FREE(pixels);
   _AL_FREE(opaque);
   pixels = opaque = NULL;
}

static void em_gfx_vsync(void)
{
   show_frame();
}
