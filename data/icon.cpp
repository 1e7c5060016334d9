// Draws steer's icon: the player image as the program draws it, turned an
// eighth of a turn so that the tall image fits a square, on the mask colour.
// Writes it as a BMP, which the build makes transparent and scales for the
// menus, and as a 64 x 64 XPM for the window, in which each pixel takes the
// mean colour of the drawn pixels of its square so that no line thins away.
#include <allegro.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "drawing.h"
#include "world.h"

BITMAP *scrbuf;
BITMAP *sprite;
actor player;

// The XPM's pixels, one character each; ' ' is transparent.
static const char codes[] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.+@#$%&*=";

static bool write_xpm(const char *path, BITMAP *icon, int size)
{
   const int mask = bitmap_mask_color(icon), block = icon->w / size;
   std::map<int, char> palette;
   std::string pixels(static_cast<size_t>(size * size), ' ');
   for (int y = 0; y < size; y++)
      for (int x = 0; x < size; x++) {
         int n = 0, r = 0, g = 0, b = 0;
         for (int j = 0; j < block; j++)
            for (int i = 0; i < block; i++) {
               int c = getpixel(icon, x * block + i, y * block + j);
               if (c == mask)
                  continue;
               n++, r += getr(c), g += getg(c), b += getb(c);
            }
         if (n == 0)
            continue;
         int c = makecol(r / n, g / n, b / n);
         if (!palette.count(c)) {
            if (palette.size() + 1 >= sizeof codes)
               return false;
            palette.emplace(c, codes[palette.size()]);
         }
         pixels[static_cast<size_t>(y * size + x)] = palette[c];
      }

   FILE *f = std::fopen(path, "w");
   if (!f)
      return false;
   std::fprintf(f, "/* XPM */\nstatic const char *steer_xpm[] = {\n");
   std::fprintf(f, "\"%d %d %zu 1\",\n\"  c None\",\n", size, size,
                palette.size() + 1);
   for (auto [c, code] : palette)
      std::fprintf(f, "\"%c c #%02X%02X%02X\",\n", code, getr(c), getg(c),
                   getb(c));
   for (int y = 0; y < size; y++)
      std::fprintf(f, "\"%.*s\",\n", size,
                   &pixels[static_cast<size_t>(y * size)]);
   std::fprintf(f, "};\n");
   return std::fclose(f) == 0;
}

int main(int argc, char **argv)
{
   constexpr int size = 256, window_size = 64;

   if (argc != 3) {
      std::fprintf(stderr, "usage: icon FILE.bmp FILE.xpm\n");
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
   const char *failed = save_bmp(argv[1], icon, nullptr) != 0    ? argv[1]
                        : !write_xpm(argv[2], icon, window_size) ? argv[2]
                                                                 : nullptr;
   if (failed) {
      std::fprintf(stderr, "icon: cannot write %s\n", failed);
      return EXIT_FAILURE;
   }
   destroy_bitmap(icon);
   destroy_bitmap(sprite);
   return EXIT_SUCCESS;
}
END_OF_MAIN()
