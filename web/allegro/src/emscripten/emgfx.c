/*
 *      Allegro on a web page, built with Emscripten: the graphics driver.
 *
 *      The screen is a memory bitmap that is copied to a 2D canvas,
 *      Module.canvas, one canvas pixel to a screen pixel. It is shown
 *      whenever the program waits (see aintem.h): in vsync(), rest() and
 *      yield_timeslice(), and once a frame for a program that does not
 *      wait on its own, when blits to the screen have covered it or when a
 *      blit overlaps one since the last showing, which the library's
 *      blit() tells this driver of. Drawing on the screen by other means
 *      shows at the next of those.
 *
 *      Copyright (c) 2026 the steer authors. Released under the zlib
 *      licence, as steer is (its LICENSE file has the text).
 */

#include <stdint.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "allegro/platform/aintem.h"

#include <emscripten.h>

#ifndef ALLEGRO_EMSCRIPTEN
   #error something is wrong with the makefile
#endif

static BITMAP *em_gfx_init(int w, int h, int v_w, int v_h, int color_depth);
static void em_gfx_exit(BITMAP *b);

GFX_DRIVER gfx_emscripten = {
    GFX_EMSCRIPTEN,
    empty_string,
    empty_string,
    "Emscripten canvas",
    em_gfx_init,
    em_gfx_exit,
    NULL, /* scroll: no virtual screen */
    NULL, /* vsync: the library's vsync() waits by name (aintem.h) */
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

/* The screen's pixels, bytes R G B A, which the canvas is given as they
 * are. The library leaves A 0, which Firefox would draw as black even on
 * an opaque canvas: a blit from memory sets it as it copies, and whatever
 * else draws on the screen, all of which goes through the screen's
 * write_bank, leaves the screen to be made opaque before it is shown. The
 * library's own blit from memory is put back as the screen closes. */
static uint32_t *pixels;
static int see_through;
static void (*library_blit)(BITMAP *src, BITMAP *dest, int sx, int sy, int dx,
                            int dy, int w, int h);

/* A frame may reach the screen in one blit or in several. The rectangles
 * blitted to it since it was last shown are disjoint, since a blit that
 * overlaps one begins the next frame; once they cover the screen, the
 * frame is whole. Past MAX_PARTS a blit begins the next frame too. */
#define MAX_PARTS 64
static struct {
   int x, y, w, h;
} parts[MAX_PARTS];
static int n_parts;
static long covered;

/* Whether the program has waited on its own, in vsync(), rest() or
 * yield_timeslice(), since it last made a frame whole: it paces itself;
 * and whether the blit under way makes the frame whole. */
static int paced;
static int whole;

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
   return 1;
});

/* The image over the screen's pixels is made once, and again only if the
 * screen or the memory it lies in has changed, so that showing a frame
 * makes no garbage. */
EM_JS(void, em_js_canvas_put, (const void *rgba, int w, int h), {
   var image = Module['allegroImage'];
   if (!image || image.data.buffer != HEAPU8.buffer ||
       image.data.byteOffset != rgba || image.width != w)
      image = Module['allegroImage'] = new ImageData(
          new Uint8ClampedArray(HEAPU8.buffer, rgba, w * h * 4), w, h);
   Module['allegroContext'].putImageData(image, 0, 0);
});

/* The canvas keeps the last frame shown. */
EM_JS(void, em_js_canvas_close, (void), {
   delete Module['allegroContext'];
   delete Module['allegroImage'];
});

static void show(void)
{
   int i, n = gfx_emscripten.w * gfx_emscripten.h;

   n_parts = 0;
   covered = 0;
   paced = TRUE;
   if (see_through)
      for (i = 0; i < n; i++)
         pixels[i] |= 0xFF000000u;
   see_through = FALSE;
   em_js_canvas_put(pixels, gfx_emscripten.w, gfx_emscripten.h);
}

static uintptr_t see_through_line(BITMAP *bmp, int line)
{
   see_through = TRUE;
   return (uintptr_t)bmp->line[line];
}

/* The library's own blit from memory, which copies each line whole, but
 * setting A; one that covers the screen leaves all of it opaque. The
 * library blits only from a bitmap of the screen's depth this way. */
static void blit_opaque(BITMAP *src, BITMAP *dest, int sx, int sy, int dx,
                        int dy, int w, int h)
{
   int x, y;

   for (y = 0; y < h; y++) {
      const uint32_t *s = (const uint32_t *)src->line[sy + y] + sx;
      uint32_t *d = (uint32_t *)dest->line[dy + y] + dx;
      for (x = 0; x < w; x++)
         d[x] = s[x] | 0xFF000000u;
   }
   if (w == gfx_emscripten.w && h == gfx_emscripten.h)
      see_through = FALSE;
}

/* Shows the screen, and lets the browser paint it before the program
 * draws the next frame. */
static void next_frame(void)
{
   _em_wait(-1);
   paced = FALSE;
}

/* The library's blit() calls these by name (aintem.h) before and after
 * every blit. A blit to the screen, or to a sub-bitmap of it, that begins
 * the next frame first shows the last one and waits for the next animation
 * frame; one that makes the frame whole shows it then, or at the
 * program's own next wait if it paces itself. */
void _em_blitting(BITMAP *dest, int x, int y, int w, int h)
{
   int i;

   whole = FALSE;
   if (!pixels || !is_same_bitmap(dest, screen))
      return;
   x += dest->x_ofs;
   y += dest->y_ofs;
   for (i = 0; i < n_parts; i++)
      if (x < parts[i].x + parts[i].w && parts[i].x < x + w &&
          y < parts[i].y + parts[i].h && parts[i].y < y + h)
         break;
   if (i < n_parts || n_parts == MAX_PARTS)
      next_frame();
   parts[n_parts].x = x;
   parts[n_parts].y = y;
   parts[n_parts].w = w;
   parts[n_parts].h = h;
   n_parts++;
   covered += (long)w * h;
   whole = covered == (long)gfx_emscripten.w * gfx_emscripten.h;
}

void _em_blitted(void)
{
   if (!whole)
      return;
   whole = FALSE;
   if (paced)
      paced = FALSE;
   else
      next_frame();
}

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

   /* The library clears the screen as it sets the mode. */
   pixels = _AL_MALLOC_ATOMIC(w * h * 4);
   gfx_emscripten.w = w;
   gfx_emscripten.h = h;
   gfx_emscripten.vid_mem = w * h * 4;
   b = pixels ? _make_bitmap(w, h, (uintptr_t)pixels, &gfx_emscripten,
                             color_depth, w * 4)
              : NULL;
   if (!b) {
      em_gfx_exit(NULL);
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE,
               get_config_text("Not enough memory"));
      return NULL;
   }

   /* System bitmaps are memory bitmaps here, so blit_from_system is never
    * called, and only blits to the screen come from memory. */
   library_blit = b->vtable->blit_from_memory;
   b->vtable->blit_from_memory = blit_opaque;
   b->write_bank = see_through_line;
   see_through = TRUE;
   n_parts = 0;
   covered = 0;
   paced = FALSE;
   whole = FALSE;
   _em_show = show;
   return b;
}

static void em_gfx_exit(BITMAP *b)
{
   if (b)
      b->vtable->blit_from_memory = library_blit;
   _em_show = NULL;
   em_js_canvas_close();
   _AL_FREE(pixels);
   pixels = NULL;
}
