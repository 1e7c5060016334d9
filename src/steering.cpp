// The per-frame steps that update the player from the pointer. The library
// keeps mouse_x and mouse_y current in the background, so each is read where
// it is used rather than copied once per frame.
#include "steering.h"

#include <cmath>

#include "world.h"

void aim_player()
{
   fixed dy = ftofix(player.y - mouse_y);
   fixed dx = ftofix(player.x - mouse_x);

   // The library's arc tangent measures from its x axis; feeding it the
   // horizontal offset as y and negating makes 0 point up and turn clockwise.
   player.angle = -fixatan2(dx, dy);
}

void move_player()
{
   constexpr double step = 2.0;

   // The offsets truncate toward zero: less than a pixel away on both axes
   // counts as arrived, and the step follows the whole-pixel direction.
   int dx = static_cast<int>(player.x - mouse_x);
   int dy = static_cast<int>(player.y - mouse_y);
   if (dx == 0 && dy == 0)
      return;

   double length = std::sqrt(static_cast<double>(dx * dx + dy * dy));
   player.x -= dx / length * step;
   player.y -= dy / length * step;
}
