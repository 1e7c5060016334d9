// The least an Allegro program does before it can draw: the library, its
// input and timer modules and an 800 x 600 window, then nothing until Esc.
// With --present it also copies one frame to the window: a bar in the
// heading text's colour where the text goes. steer's start-up is measured
// against both.
#include <allegro.h>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
   if (allegro_init() != 0 || install_keyboard() != 0 || install_mouse() < 0 ||
       install_timer() != 0) {
      std::fprintf(stderr, "bare: cannot start the library\n");
      return 1;
   }
   set_color_depth(32);
   if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, 800, 600, 0, 0) != 0) {
      std::fprintf(stderr, "bare: cannot open a window: %s\n", allegro_error);
      return 1;
   }
   if (argc > 1 && std::strcmp(argv[1], "--present") == 0) {
      BITMAP *frame = create_bitmap(SCREEN_W, SCREEN_H);
      clear(frame);
      rectfill(frame, 10, 10, 89, 17, makecol(255, 100, 200));
      blit(frame, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
      destroy_bitmap(frame);
   }
   while (!key[KEY_ESC])
      rest(1);
   allegro_exit();
   return 0;
}
END_OF_MAIN()
