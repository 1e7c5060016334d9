// Draws steer's icon into a BMP file: the player image as the program draws
// it, turned an eighth of a turn so that the tall image fits a square, on the
// mask colour that the build then makes transparent.
#include <allegro.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "drawing.h"
#include "world.h"

BITMAP *scrbuf;
BITMAP *sprite;
actor player;

int main(int argc, char **argv)
{
   constexpr int size = 256;

   if (argc != 2) {
      std::fprintf(stderr, "usage: icon FILE.bmp\n");
      return EXIT_FAILURE;
   }
   if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
      return EXIT_FAILURE;
   set_color_depth(32);
   sprite = make_sprite();
   BITMAP *icon = create_bitmap(size, size);
   if (!sprite || !icon)
      return EXIT_FAILURE;
   clear_to_color(icon, makecol(255, 0, 255));
   rotate_sprite(icon, sprite, (size - sprite->w) / 2, (size - sprite->h) / 2,
                 itofix(32));
   if (save_bmp(argv[1], icon, nullptr) != 0) {
      std::fprintf(stderr, "icon: cannot write %s\n", argv[1]);
      return EXIT_FAILURE;
   }
   destroy_bitmap(icon);
   destroy_bitmap(sprite);
   return EXIT_SUCCESS;
}
END_OF_MAIN()
