/*
 *      Allegro on a web page, built with Emscripten: the mouse driver.
 *
 *      Positions are where the pointer is over the canvas, in canvas
 *      pixels, whatever size the page shows the canvas at. Moves are heard
 *      over the whole page, as if the pointer were grabbed, and held to
 *      the mouse range. The page's own pointer is hidden over the canvas,
 *      as the X port hides it over its window.
 *
 *      Copyright (c) 2026 the steer authors. Released under the zlib
 *      licence, as steer is (its LICENSE file has the text).
 */

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "allegro/platform/aintem.h"

#include <emscripten.h>

#ifndef ALLEGRO_EMSCRIPTEN
   #error something is wrong with the makefile
#endif

static int em_mouse_init(void);
static void em_mouse_exit(void);
static void em_mouse_position(int x, int y);
static void em_mouse_set_range(int x1, int y1, int x2, int y2);
static void em_mouse_get_mickeys(int *mickeyx, int *mickeyy);

MOUSE_DRIVER mouse_emscripten = {
    MOUSE_EMSCRIPTEN,
    empty_string,
    empty_string,
    "Emscripten mouse",
    em_mouse_init,
    em_mouse_exit,
    NULL, /* poll: events come as they happen */
    NULL, /* timer_poll */
    em_mouse_position,
    em_mouse_set_range,
    NULL, /* set_speed: the system's own */
    em_mouse_get_mickeys,
    NULL, /* analyse_data */
    NULL, /* enable_hardware_cursor: the page's pointer stays hidden */
    NULL  /* select_system_cursor */
};

static int range_x1, range_y1, range_x2 = 319, range_y2 = 199;
static int mickey_x, mickey_y;

/* A click shorter than a frame lasts one frame, as a key tap does (see
 * emkey.c): buttons pressed since the program last ran, and those of them
 * released since. */
static int fresh, held_back;

static int clamp(int v, int lo, int hi)
{
   return v < lo ? lo : v > hi ? hi : v;
}

/* From the page's listeners: what happened (0 move, 1 press, 2 release,
 * 3 wheel), where over the canvas in its pixels, whether that is over it,
 * which button (the library's bit) and how far the pointer or the wheel
 * moved. */
EMSCRIPTEN_KEEPALIVE void _em_mouse_event(int what, int x, int y, int over,
                                          int button, int dx, int dy)
{
   if (what == 3) {
      _mouse_z -= dy > 0 ? 1 : dy < 0 ? -1 : 0;
      _mouse_w += dx > 0 ? 1 : dx < 0 ? -1 : 0;
   } else {
      _mouse_x = clamp(x, range_x1, range_x2);
      _mouse_y = clamp(y, range_y1, range_y2);
      _mouse_on = over;
      mickey_x += dx;
      mickey_y += dy;
   }
   if (what == 1) {
      _mouse_b |= button;
      fresh |= button;
      held_back &= ~button;
   } else if (what == 2) {
      if (fresh & button)
         held_back |= button;
      else
         _mouse_b &= ~button;
   }
   _handle_mouse_input();
}

void _em_mouse_turn(void)
{
   if (held_back) {
      _mouse_b &= ~held_back;
      _handle_mouse_input();
   }
   fresh = held_back = 0;
}

void _em_mouse_release_all(void)
{
   _mouse_b = fresh = held_back = 0;
   _handle_mouse_input();
}

/* Positions are mapped through the canvas's place on the page, which its
 * style, the page's zoom and the display's density all scale. A press
 * elsewhere on the page is the page's own, and the canvas neither selects
 * nor scrolls nor opens a menu. */
/* clang-format off */
EM_JS(void, em_js_listen, (void), {
   var canvas = Module['canvas'];
   var bits = [ 1, 4, 2 ]; /* left, middle, right */
   function send(what, e, button, dx, dy)
   {
      var r = canvas.getBoundingClientRect();
      var x = (e.clientX - r.left) * canvas.width / r.width;
      var y = (e.clientY - r.top) * canvas.height / r.height;
      var over = x >= 0 && y >= 0 && x < canvas.width && y < canvas.height;
      Module['__em_mouse_event'](what, Math.floor(x), Math.floor(y), over,
                                 button, dx, dy);
      return over;
   }
   var on = {
      mousemove : function(e) { send(0, e, 0, e.movementX, e.movementY); },
      mousedown : function(e) {
         if (e.button < 3 && send(1, e, bits[e.button], 0, 0))
            e.preventDefault();
      },
      mouseup : function(e) {
         if (e.button < 3)
            send(2, e, bits[e.button], 0, 0);
      },
   };
   var onCanvas = {
      wheel : function(e) {
         send(3, e, 0, Math.sign(e.deltaX), Math.sign(e.deltaY));
         e.preventDefault();
      },
      contextmenu : function(e) { e.preventDefault(); },
   };
   for (var name in on)
      window.addEventListener(name, on[name]);
   for (var name in onCanvas)
      canvas.addEventListener(name, onCanvas[name]);
   canvas.style.cursor = 'none';
   Module['allegroMouse'] = function() {
      for (var name in on)
         window.removeEventListener(name, on[name]);
      for (var name in onCanvas)
         canvas.removeEventListener(name, onCanvas[name]);
      canvas.style.cursor = "";
   };
});
/* clang-format on */

EM_JS(void, em_js_unlisten, (void), {
   Module['allegroMouse']();
   delete Module['allegroMouse'];
});

static int em_mouse_init(void)
{
   if (!EM_ASM_INT({ return !!Module['canvas']; })) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE,
               get_config_text("No canvas to follow the pointer over "
                               "(Module.canvas)"));
      return -1;
   }
   em_js_listen();
   return 3;
}

static void em_mouse_exit(void)
{
   em_js_unlisten();
}

/* A page cannot move the pointer: the position holds until it moves. */
static void em_mouse_position(int x, int y)
{
   _mouse_x = clamp(x, range_x1, range_x2);
   _mouse_y = clamp(y, range_y1, range_y2);
   mickey_x = mickey_y = 0;
   _handle_mouse_input();
}

static void em_mouse_set_range(int x1, int y1, int x2, int y2)
{
   range_x1 = x1;
   range_y1 = y1;
   range_x2 = x2;
   range_y2 = y2;
   _mouse_x = clamp(_mouse_x, x1, x2);
   _mouse_y = clamp(_mouse_y, y1, y2);
}

static void em_mouse_get_mickeys(int *mickeyx, int *mickeyy)
{
   *mickeyx = mickey_x;
   *mickeyy = mickey_y;
   mickey_x = mickey_y = 0;
}
