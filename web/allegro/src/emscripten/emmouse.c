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

/* Where the pointer last was, unclamped, once known; the buttons the
 * browser has down that were pressed over the canvas, and those that were
 * pressed elsewhere on the page, which are the page's own until released. */
static int last_x, last_y, last_known;
static int down, elsewhere;

/* A click shorter than a frame lasts one frame, as a key tap does (see
 * emkey.c): buttons pressed since the program last ran, and those of them
 * released since. */
static int fresh, held_back;

static int clamp(int v, int lo, int hi)
{
   return v < lo ? lo : v > hi ? hi : v;
}

/* The pointer at (x, y), held to the mouse range. */
static void put(int x, int y)
{
   _mouse_x = clamp(x, range_x1, range_x2);
   _mouse_y = clamp(y, range_y1, range_y2);
}

/* From the page's listeners: where the pointer is, in canvas pixels, and
 * whether that is over the canvas; the buttons the browser has down (its
 * bits are the library's: 1 left, 2 right, 4 middle); and the wheel's
 * steps. */
EMSCRIPTEN_KEEPALIVE void _em_mouse_event(int x, int y, int over, int buttons,
                                          int dz, int dw)
{
   int pressed, released;

   elsewhere &= buttons;
   if (!over)
      elsewhere |= buttons & ~down;
   buttons &= ~elsewhere;
   pressed = buttons & ~down;
   released = down & ~buttons;
   down = buttons;

   if (last_known) {
      mickey_x += x - last_x;
      mickey_y += y - last_y;
   }
   last_x = x;
   last_y = y;
   last_known = TRUE;
   put(x, y);
   _mouse_on = over;
   _mouse_z -= dz;
   _mouse_w += dw;

   _mouse_b |= pressed;
   fresh |= pressed;
   held_back = (held_back & ~pressed) | (released & fresh);
   _mouse_b &= ~(released & ~fresh);
   _handle_mouse_input();
}

static void turn(void)
{
   if (held_back) {
      _mouse_b &= ~held_back;
      _handle_mouse_input();
   }
   fresh = held_back = 0;
}

/* Buttons still down in the browser stay the page's until released. */
static void release_all(void)
{
   elsewhere |= down;
   _mouse_b = down = fresh = held_back = 0;
   _handle_mouse_input();
}

/* The pointer is a mouse or a pen, or the finger that plays: the first to
 * come down on the canvas while no other plays, whatever other fingers
 * rest elsewhere on the page, from then until it lifts or the browser
 * cancels it (with the first button held meanwhile, as a finger is a
 * press). Other fingers change nothing. The page hears through
 * Module.onFinger, if it has one, when a finger, or a pen, starts to play
 * (true) and stops (false). Positions are mapped through the canvas's
 * place on the page, which its style, the page's zoom and the display's
 * density all scale. A press elsewhere on the page is the page's own; one
 * on the canvas keeps the pointer until released, even off the page, and
 * neither selects nor scrolls, pans, zooms or opens a menu. */
/* clang-format off */
EM_JS(void, em_js_listen, (void), {
   var canvas = Module['canvas'];
   var finger = null;
   function place(e)
   {
      var r = canvas.getBoundingClientRect();
      var x = (e.clientX - r.left) * canvas.width / r.width;
      var y = (e.clientY - r.top) * canvas.height / r.height;
      return {
         x : Math.floor(x), y : Math.floor(y),
         over : x >= 0 && y >= 0 && x < canvas.width && y < canvas.height
      };
   }
   function send(p, buttons, dz, dw)
   {
      Module['__em_mouse_event'](p.x, p.y, p.over, buttons, dz, dw);
   }
   function plays(on)
   {
      if (Module['onFinger'])
         Module['onFinger'](on);
   }
   function pointer(e)
   {
      var p = place(e), up = e.type == 'pointerup' || e.type == 'pointercancel';
      if (e.pointerType != 'mouse') {
         if (e.type == 'pointerdown' && finger === null && p.over) {
            finger = e.pointerId;
            plays(true);
         }
         /* Only the one that plays counts, but for a pen that hovers while
            none does, which moves the pointer as a mouse does. */
         if (finger === null ? e.pointerType == 'touch' : e.pointerId !== finger)
            return;
         if (up) {
            finger = null;
            plays(false);
         }
      }
      send(p, up ? 0 : e.buttons, 0, 0);
      if (e.type == 'pointerdown' && p.over) {
         e.preventDefault();
         try {
            canvas.setPointerCapture(e.pointerId);
         } catch (ignored) {
         }
      }
   }
   var on = {
      pointermove : pointer, pointerdown : pointer, pointerup : pointer,
      pointercancel : pointer,
   };
   var onCanvas = {
      wheel : function(e) {
         send(place(e), e.buttons, Math.sign(e.deltaY), Math.sign(e.deltaX));
         e.preventDefault();
      },
      contextmenu : function(e) { e.preventDefault(); },
   };
   for (var name in on)
      window.addEventListener(name, on[name]);
   for (var name in onCanvas)
      canvas.addEventListener(name, onCanvas[name], {passive : false});
   canvas.style.cursor = 'none';
   canvas.style.touchAction = 'none';
   Module['allegroMouse'] = function() {
      for (var name in on)
         window.removeEventListener(name, on[name]);
      for (var name in onCanvas)
         canvas.removeEventListener(name, onCanvas[name]);
      canvas.style.cursor = canvas.style.touchAction = "";
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
   _em_mouse_turn = turn;
   _em_mouse_release_all = release_all;
   return 3;
}

static void em_mouse_exit(void)
{
   _em_mouse_turn = _em_mouse_release_all = NULL;
   em_js_unlisten();
}

/* A page cannot move the pointer: the position holds until it moves. */
static void em_mouse_position(int x, int y)
{
   put(x, y);
   mickey_x = mickey_y = 0;
   _handle_mouse_input();
}

static void em_mouse_set_range(int x1, int y1, int x2, int y2)
{
   range_x1 = x1;
   range_y1 = y1;
   range_x2 = x2;
   range_y2 = y2;
   put(_mouse_x, _mouse_y);
}

static void em_mouse_get_mickeys(int *mickeyx, int *mickeyy)
{
   *mickeyx = mickey_x;
   *mickeyy = mickey_y;
   mickey_x = mickey_y = 0;
}
