// The program-wide objects for the tests, and the library brought up with no
// display: memory bitmaps, text and fixed-point maths all work without one.
#include <cerrno>
#include <cstdlib>

#include <gtest/gtest.h>

#include "drawing.h"
#include "world.h"

BITMAP *scrbuf;
BITMAP *sprite;
actor player;

namespace
{

// A fatal failure here would make every test count as skipped; a plain one
// fails the run, and the tests then fail or crash on what is missing. The
// library shuts itself down at exit.
struct library : ::testing::Environment {
   void SetUp() override
   {
      // fixatan2 writes the library's errno, which install_allegro sets up.
      EXPECT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
      set_color_depth(32);
      scrbuf = create_bitmap(800, 600);
      sprite = make_sprite();
      // There is no graphics mode, so the frame is presented to memory.
      screen = create_bitmap(800, 600);
      EXPECT_TRUE(scrbuf && sprite && screen);
   }
};

auto *const env = ::testing::AddGlobalTestEnvironment(new library);

} // namespace
