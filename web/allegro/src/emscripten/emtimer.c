/*
 *      Allegro on a web page, built with Emscripten: the timer driver.
 *
 *      The page has no threads: the library's timer queue is ticked by a
 *      browser timeout, which runs while the program is suspended (see
 *      aintem.h) and makes up for the time the program held the page.
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

static int em_timer_init(void);
static void em_timer_exit(void);
static void em_rest(unsigned int ms, AL_METHOD(void, callback, (void)));

TIMER_DRIVER timer_emscripten = {
    TIMER_EMSCRIPTEN,
    empty_string,
    empty_string,
    "Emscripten timer",
    em_timer_init,
    em_timer_exit,
    NULL, /* install_int: the library's own queue */
    NULL, /* remove_int */
    NULL, /* install_param_int */
    NULL, /* remove_param_int */
    NULL, /* can_simulate_retrace: a page cannot see the retrace */
    NULL, /* simulate_retrace */
    em_rest};

static double last_tick; /* ms */

/* A plain timeout: Emscripten's own keep the runtime alive while they are
 * pending, and so would keep a program that has ended from ending. */
EM_JS(void, em_js_arm, (double ms), {
   clearTimeout(Module['allegroTimer']);
   Module['allegroTimer'] = setTimeout(__em_timer_tick, ms);
});

EM_JS(void, em_js_disarm, (void), {
   clearTimeout(Module['allegroTimer']);
   delete Module['allegroTimer'];
});

EMSCRIPTEN_KEEPALIVE void _em_timer_tick(void)
{
   double now = emscripten_get_now(), elapsed = now - last_tick;
   long ticks;

   /* A hidden page's timeouts come seldom: what was missed is not made up
    * beyond a second. The fraction of a tick carries over. */
   if (elapsed > 1000)
      elapsed = 1000;
   ticks = (long)(elapsed * TIMERS_PER_SECOND / 1000);
   last_tick = now - (elapsed - ticks * 1000.0 / TIMERS_PER_SECOND);
   em_js_arm(_handle_timer_tick((int)ticks) * 1000.0 / TIMERS_PER_SECOND);
}

static int em_timer_init(void)
{
   last_tick = emscripten_get_now();
   em_js_arm(0);
   return 0;
}

static void em_timer_exit(void)
{
   em_js_disarm();
}

static void em_rest(unsigned int ms, AL_METHOD(void, callback, (void)))
{
   double end = emscripten_get_now() + ms;

   if (!callback) {
      _em_wait((int)ms);
      return;
   }
   do {
      callback();
      _em_wait(0);
   } while (emscripten_get_now() < end);
}
