// A program of the library's own for its web platform, for what steer itself
// does not call; tests/web_library drives it in Chromium. It shows frames
// the way the page's address names (#blit, #vsync, #pieces, #rest or
// #crash) and publishes, after each, what the library tells it in
// Module.probe, and each key that readkey() returns in Module.typed; and
// first, in Module.clearedPartly and clearedWholly, what the clear to black
// leaves white.
#include <allegro.h>
#include <emscripten.h>

#include <string>

static volatile int ticks;

EM_JS(void, publish,
      (int loops, int ticks, int background, int x, int y, int buttons, int z,
       int w, int mickey_x, int mickey_y, int f1),
      {
         Module.probe = {
            loops : loops,
            ticks : ticks,
            background : background,
            x : x,
            y : y,
            buttons : buttons,
            z : z,
            w : w,
            mickeyX : mickey_x,
            mickeyY : mickey_y,
            f1 : f1
         };
      });

EM_JS(void, typed, (int c), { (Module.typed = Module.typed || []).push(c); });

EM_JS(void, cleared, (int partly, int wholly), {
   Module.clearedPartly = partly;
   Module.clearedWholly = wholly;
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
// then within a clip of 6 whole lines, and then whole.
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
   cleared(partly, whites(b));
   destroy_bitmap(sub);
   destroy_bitmap(b);
}

// The longest time between two ticks, since the page last set it to 0.
EM_JS(void, ticked, (void), {
   var now = performance.now();
   Module.gap = Math.max(Module.gap || 0, now - (Module.tickedAt || now));
   Module.tickedAt = now;
});

static void tick()
{
   ticks = ticks + 1;
   ticked();
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
   int background = set_display_switch_mode(SWITCH_BACKGROUND);
   std::string how = emscripten_run_script_string("location.hash");

   int mickey_x = 0, mickey_y = 0;
   for (int loops = 1; !key[KEY_ESC]; loops++) {
      clear_to_color(frame, makecol(loops % 256, 0, 0));
      if (how == "#vsync") {
         vsync();
         blit(frame, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
      } else if (how == "#pieces") {
         for (int i = 0; i < 4; i++)
            blit(frame, screen, 0, i * 150, 0, i * 150, SCREEN_W, 150);
      } else {
         if (how == "#rest")
            rest(50);
         blit(frame, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
      }
      if (how == "#crash" && loops == 10) {
         void (*volatile nowhere)() = nullptr;
         nowhere();
      }
      int dx, dy;
      get_mouse_mickeys(&dx, &dy);
      mickey_x += dx;
      mickey_y += dy;
      while (keypressed())
         typed(readkey());
      publish(loops, ticks, background, mouse_x, mouse_y, mouse_b, mouse_z,
              mouse_w, mickey_x, mickey_y, key[KEY_F1]);
   }
   destroy_bitmap(frame);
   return 0;
}
END_OF_MAIN()
