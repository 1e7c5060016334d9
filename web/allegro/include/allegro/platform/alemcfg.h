/*
 *      Allegro on a web page, built with Emscripten: the configuration.
 *
 *      Copyright (c) 2026 the steer authors. Released under the zlib
 *      licence, as steer is (its LICENSE file has the text).
 */

#ifndef ALEMCFG_H
#define ALEMCFG_H

#ifndef SCAN_DEPEND
   #include <fcntl.h>
   #include <unistd.h>
#endif

/* What CMake found in Emscripten's C library, which it takes for a Unix,
 * and the colour depths built in: 32 bits alone, a canvas's. */
#undef ALLEGRO_COLOR8
#undef ALLEGRO_COLOR16
#undef ALLEGRO_COLOR24
#undef ALLEGRO_COLOR32
#include "allegro/platform/alunixac.h"

#define ALLEGRO_PLATFORM_STR "Emscripten"
#define ALLEGRO_CONSOLE_OK

#define ALLEGRO_EXTRA_HEADER "allegro/platform/alem.h"
#define ALLEGRO_INTERNAL_HEADER "allegro/platform/aintem.h"

/* WebAssembly runs constructors; CMake cannot tell, as it cannot run what
 * it compiles for the page. */
#ifndef ALLEGRO_USE_CONSTRUCTOR
   #define ALLEGRO_USE_CONSTRUCTOR
#endif

#ifndef ALLEGRO_HAVE_STRICMP
   #define ALLEGRO_NO_STRICMP
#endif
#ifndef ALLEGRO_HAVE_STRLWR
   #define ALLEGRO_NO_STRLWR
#endif
#ifndef ALLEGRO_HAVE_STRUPR
   #define ALLEGRO_NO_STRUPR
#endif
#ifndef ALLEGRO_HAVE_MEMCMP
   #define ALLEGRO_NO_MEMCMP
#endif

/* The program's main() becomes _mangled_main(), which the library's own
 * main() (emmain.c) calls through _al_em_main(), from END_OF_MAIN(). Its
 * main() ends the program through exit() with the status: a main() that
 * has been suspended while the page ran (see aintem.h) returns into the
 * browser, which drops what it returns. WebAssembly checks the type of
 * every call through a pointer, so _mangled_main() is called as whichever
 * of its two forms the program wrote.
 */
#ifndef ALLEGRO_NO_MAGIC_MAIN
   #define ALLEGRO_MAGIC_MAIN
   #define main _mangled_main
   #undef END_OF_MAIN
   #ifdef __cplusplus
static inline int _al_em_call_main(int (*f)(void), int, char **)
{
   return f();
}
static inline int _al_em_call_main(int (*f)(int, char **), int c, char **v)
{
   return f(c, v);
}
      #define END_OF_MAIN()                                                    \
         extern "C" int _al_em_main(int c, char **v)                           \
         {                                                                     \
            return _al_em_call_main(_mangled_main, c, v);                      \
         }
   #else
      #define END_OF_MAIN()                                                    \
         int _al_em_main(int c, char **v)                                      \
         {                                                                     \
            return __builtin_choose_expr(                                      \
                __builtin_types_compatible_p(__typeof__(_mangled_main),        \
                                             int(void)),                       \
                ((int (*)(void))_mangled_main)(),                              \
                ((int (*)(int, char **))_mangled_main)(c, v));                 \
         }
   #endif
#endif

#endif
