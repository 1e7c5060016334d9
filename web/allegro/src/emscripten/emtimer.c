/*
 *      Allegro on a web page, built with Emscripten: the timer driver.
 *
 *      The page has no threads: the library's timer queue is ticked as
 *      the program goes to wait and comes back (see aintem.h), making up
 *      for the time it held the page, and by a browser timeout while it
 *      waits, but only when the queue holds the program's own timers:
 *      nothing else in it (retrace_count) can be seen to change while the
 *      program waits, and a program that waits for every frame would
 *      otherwise pay for a timeout task every few frames.
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
    NULL  /* rest: the library's rest() rests by name, in _em_rest() */
};

static double last_tick; /* ms */
static int armed;

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

/* Whether the queue holds a timer of the program's own. */
static int has_timers(void)
{
   int i;

   for (i = 0; i < MAX_TIMERS; i++)
      if ((_timer_queue[i].proc || _timer_queue[i].param_proc) &&
          _timer_queue[i].speed > 0)
         return TRUE;
   return FALSE;
}

EMSCRIPTEN_KEEPALIVE void _em_timer_tick(void)
{
   double now = emscripten_get_now(), elapsed = now - last_tick;
   long ticks, delay;

   /* A hidden page's timeouts come seldom: what was missed is not made up
    * beyond a second. The fraction of a tick carries over. */
   if (elapsed > 1000)
      elapsed = 1000;
   ticks = (long)(elapsed * TIMERS_PER_SECOND / 1000);
   last_tick = now - (elapsed - ticks * 1000.0 / TIMERS_PER_SECOND);
   delay = _handle_timer_tick((int)ticks);
   if (has_timers()) {
      em_js_arm(delay * 1000.0 / TIMERS_PER_SECOND);
      armed = TRUE;
   } else if (armed) {
      em_js_disarm();
      armed = FALSE;
   }
}

static int em_timer_init(void)
{
   last_tick = emscripten_get_now();
   _em_timer_turn = _em_timer_tick;
   return 0;
}

static void em_timer_exit(void)
{
   _em_timer_turn = NULL;
   em_js_disarm();
   armed = FALSE;
}

/* rest() and rest_callback(), which the library calls by name. */
void _em_rest(unsigned int ms, void (*callback)(void))
{
   double end = emscripten_get_now() + ms;

   if (!callback || !ms) {
      _em_wait((int)ms);
      return;
   }
   do {
      callback();
      _em_wait(0);
   } while (emscripten_get_now() < end);
}
