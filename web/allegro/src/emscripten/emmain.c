/*
 *      Allegro on a web page, built with Emscripten: the program's real
 *      main(), which ends it with its status (see alemcfg.h).
 *
 *      Copyright (c) 2026 the steer authors. Released under the zlib
 *      licence, as steer is (its LICENSE file has the text).
 */

#include <stdlib.h>

#define ALLEGRO_NO_MAGIC_MAIN
#include "allegro.h"

/* Defined by the program's END_OF_MAIN(). */
int _al_em_main(int argc, char **argv);

int main(int argc, char **argv)
{
   exit(_al_em_main(argc, argv));
}
