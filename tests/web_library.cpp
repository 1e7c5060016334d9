// A program of the library's own for its web platform, for what steer itself
// does not call; tests/e2e drives it. It shows frames the way the page's
// address names (#blit, #vsync, #pieces, #rest or #crash) and publishes,
// after each, what the library tells it in Module.probe: also the keys that
// readkey() returned, and those whose own action the page kept from the
// browser. Its 10 ms timer publishes in Module.ticked, also while the page is
// hidden; and first, in Module.cleared, what the clear to black leaves white.
#include <allegro.h>
#include <emscripten.h>

static volatile int ticks;

// The values in the order of their names here.
EM_JS(void, publish, (const int *v), {
   var p = Module.probe || {typed : [], prevented : []};
   [
      'loops', 'ticks', 'background', 'x', 'y', 'buttons', 'z', 'w', 'mickeyX',
      'mickeyY', 'f1', 'clicks'
   ]
       .forEach(function(name, i) { p[name] = HEAP32[(v >> 2) + i]; });
   Module.probe = p;
});

// Set up before the first frame: what the clear left white, where the timer
// publishes, and a watch on the keys whose action the page keeps.
EM_JS(void, begin, (int partly, int wholly), {
   Module.cleared = [ partly, wholly ];
   Module.ticked = {gap : 0};
   addEventListener(
       'keydown', function(e) {
          setTimeout(function() {
             if (e.defaultPrevented)
                Module.probe.prevented.push(e.code);
          });
       });
});

EM_JS(void, typed, (int c), { Module.probe.typed.push(c); });

// How the page's address says to show frames.
enum { blit_whole, after_vsync, in_pieces, after_rest, to_crash };
EM_JS(int, shown, (void), {
   var ways = [ '#blit', '#vsync', '#pieces', '#rest', '#crash' ];
   return Math.max(0, ways.indexOf(location.hash));
});

static int whites(BITMAP *b)
{
   int n = 0;
   for (int y = 0; y < b->h; y++)
      for (int x = 0; x < b->w; x++)
         n += getpixel(b, x, y) == makecol(255, 255, 255);
   return n;
}

// A white 64 x 32 bitmap cleared to black through a 16 x 8 sub-bitmap and
// then within a clip of 6 whole lines, and then whole: the white left after
// the part and after the whole.
static void clear_probe()
{
   BITMAP *b = create_bitmap(64, 32);
   BITMAP *sub = create_sub_bitmap(b, 8, 4, 16, 8);
   clear_to_color(b, makecol(255, 255, 255));
   clear_to_color(sub, 0);
   set_clip_rect(b, 0, 20, 63, 25);
   clear_to_color(b, 0);
   int partly = whites(b);
   set_clip_rect(b, 0, 0, 63, 31);
   clear_to_color(b, 0);
   begin(partly, whites(b));
   destroy_bitmap(sub);
   destroy_bitmap(b);
}

// F1 as the timer finds it, and the longest time between two ticks since
// the page last set it to 0.
EM_JS(void, ticked, (int f1), {
   var t = Module.ticked, now = performance.now();
   t.gap = Math.max(t.gap, now - (t.at || now));
   t.at = now;
   t.f1 = f1;
});

static void tick()
{
   ticks = ticks + 1;
   ticked(key[KEY_F1] != 0);
}

int main()
{
   allegro_init();
   install_keyboard();
   install_mouse();
   install_timer();
   set_color_depth(32);
   set_gfx_mode(GFX_AUTODETECT_WINDOWED, 800, 600, 0, 0);
   clear_probe();
   BITMAP *frame = create_bitmap(SCREEN_W, SCREEN_H);
   install_int(tick, 10);
   const int background = set_display_switch_mode(SWITCH_BACKGROUND);
   const int how = shown();

   int mickey_x = 0, mickey_y = 0, clicks = 0, held = 0;
   for (int loops = 1; !key[KEY_ESC]; loops++) {
      clear_to_color(frame, makecol(loops % 256, 0, 0));
      if (how == after_vsync)
         vsync();
      if (how == after_rest)
         rest(50);
      for (int i = 0, n = how == in_pieces ? 4 : 1; i < n; i++)
         blit(frame, screen, 0, i * 600 / n, 0, i * 600 / n, SCREEN_W, 600 / n);
      if (how == to_crash && loops == 10) {
         void (*volatile nowhere)() = nullptr;
         nowhere();
      }
      int dx, dy;
      get_mouse_mickeys(&dx, &dy);
      mickey_x += dx;
      mickey_y += dy;
      clicks += (mouse_b & 1) && !held;
      held = mouse_b & 1;
      const int values[] = {loops,    ticks,    background,       mouse_x,
                            mouse_y,  mouse_b,  mouse_z,          mouse_w,
                            mickey_x, mickey_y, key[KEY_F1] != 0, clicks};
      publish(values);
      while (keypressed())
         typed(readkey());
   }
   destroy_bitmap(frame);
   return 0;
}
END_OF_MAIN()
