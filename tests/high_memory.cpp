// On 64-bit Windows the library must keep addresses whole: with every free
// range below 4 GiB reserved first, its bitmaps land above it, and text and
// flood fills must still draw where they should at every colour depth.
// Says so and exits 0 when they do; a cut address ends it in a page fault,
// which Wine's debugger may still report as status 0.
#include <allegro.h>
#include <winalleg.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

constexpr std::uintptr_t four_gib = std::uintptr_t{1} << 32;

// Leaves the heap nowhere to grow but above 4 GiB.
static void reserve_low_memory()
{
   constexpr std::uintptr_t grain = 0x10000;
   MEMORY_BASIC_INFORMATION info;
   std::uintptr_t at = grain;
   while (at < four_gib && VirtualQuery(reinterpret_cast<void *>(at), &info,
                                        sizeof info) == sizeof info) {
      auto base = reinterpret_cast<std::uintptr_t>(info.BaseAddress);
      auto end = base + info.RegionSize;
      if (info.State == MEM_FREE) {
         auto from = (base + grain - 1) & ~(grain - 1);
         auto to = end < four_gib ? end : four_gib;
         if (from < to)
            VirtualAlloc(reinterpret_cast<void *>(from), to - from, MEM_RESERVE,
                         PAGE_NOACCESS);
      }
      at = end;
   }
}

// Counts the pixels of a colour in a rectangle of a bitmap.
static int count(BITMAP *bmp, int x0, int y0, int x1, int y1, int colour)
{
   int n = 0;
   for (int y = y0; y <= y1; y++)
      for (int x = x0; x <= x1; x++)
         n += getpixel(bmp, x, y) == colour;
   return n;
}

static int fail(int depth, const char *what)
{
   std::printf("high_memory: at %d bits, %s\n", depth, what);
   return EXIT_FAILURE;
}

int main()
{
   // A bitmap big enough to be given memory of its own rather than a slot
   // in a heap that already exists.
   constexpr int w = 1024, h = 1024;

   reserve_low_memory();
   if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
      return fail(0, "the library would not start");
   // Colours at 8 bits come from a palette, and there is no screen to set.
   select_palette(default_palette);
   for (int depth : {8, 15, 16, 24, 32}) {
      set_color_depth(depth);
      BITMAP *bmp = create_bitmap(w, h);
      if (!bmp)
         return fail(depth, "no bitmap");
      if (reinterpret_cast<std::uintptr_t>(bmp->line[h - 1]) < four_gib)
         return fail(depth, "the bitmap lies below 4 GiB: this proves nothing");
      int white = makecol(255, 255, 255), red = makecol(255, 0, 0);

      // A glyph drawn near the bottom, where the rows lie furthest up: lit
      // inside its 8 x 8 cell and nowhere else.
      clear_to_color(bmp, 0);
      textout_ex(bmp, font, "A", 100, h - 8, white, -1);
      int lit = count(bmp, 100, h - 8, 107, h - 1, white);
      if (lit == 0 || count(bmp, 0, h - 16, 200, h - 1, white) != lit)
         return fail(depth, "the glyph is not where it was drawn");

      // A fill inside an outline fills it and stops at it.
      rect(bmp, 10, h - 40, 30, h - 20, white);
      floodfill(bmp, 20, h - 30, red);
      if (count(bmp, 11, h - 39, 29, h - 21, red) != 19 * 19 ||
          count(bmp, 0, h - 50, 40, h - 10, red) != 19 * 19)
         return fail(depth, "the fill did not fill its outline alone");
      destroy_bitmap(bmp);
   }
   std::printf("high_memory: text and fills above 4 GiB at 8 to 32 bits\n");
   return EXIT_SUCCESS;
}
END_OF_MAIN()
