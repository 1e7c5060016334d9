/*
 *      Allegro on a web page, built with Emscripten: the keyboard driver.
 *
 *      Keys are known by KeyboardEvent.code, the physical key, as the
 *      library's scancodes are; what a key types comes from
 *      KeyboardEvent.key. The browser repeats held keys itself.
 *
 *      Copyright (c) 2026 the steer authors. Released under the zlib
 *      licence, as steer is (its LICENSE file has the text).
 */

#include <stdlib.h>
#include <string.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "allegro/platform/aintem.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#ifndef ALLEGRO_EMSCRIPTEN
   #error something is wrong with the makefile
#endif

static int em_keyboard_init(void);
static void em_keyboard_exit(void);

KEYBOARD_DRIVER keyboard_emscripten = {
    KEYBOARD_EMSCRIPTEN,
    empty_string,
    empty_string,
    "Emscripten keyboard",
    FALSE, /* autorepeat: the browser repeats */
    em_keyboard_init,
    em_keyboard_exit,
    NULL, /* poll: events come as they happen */
    NULL, /* set_leds: a page cannot */
    NULL, /* set_rate: the system's own */
    NULL, /* wait_for_input */
    NULL, /* stop_waiting_for_input */
    NULL, /* scancode_to_ascii: the library's table */
    NULL  /* scancode_to_name: the library's names */
};

/* Keys whose code is not a letter, a digit, a keypad digit or F1 to F12. */
/* clang-format off */
static const struct {
   const char *code;
   int scancode;
} codes[] = {
   {"Escape", KEY_ESC},          {"Backquote", KEY_TILDE},
   {"Minus", KEY_MINUS},         {"Equal", KEY_EQUALS},
   {"Backspace", KEY_BACKSPACE}, {"Tab", KEY_TAB},
   {"BracketLeft", KEY_OPENBRACE}, {"BracketRight", KEY_CLOSEBRACE},
   {"Enter", KEY_ENTER},         {"Semicolon", KEY_COLON},
   {"Quote", KEY_QUOTE},         {"Backslash", KEY_BACKSLASH},
   {"IntlBackslash", KEY_BACKSLASH2}, {"Comma", KEY_COMMA},
   {"Period", KEY_STOP},         {"Slash", KEY_SLASH},
   {"Space", KEY_SPACE},         {"Insert", KEY_INSERT},
   {"Delete", KEY_DEL},          {"Home", KEY_HOME},
   {"End", KEY_END},             {"PageUp", KEY_PGUP},
   {"PageDown", KEY_PGDN},       {"ArrowLeft", KEY_LEFT},
   {"ArrowRight", KEY_RIGHT},    {"ArrowUp", KEY_UP},
   {"ArrowDown", KEY_DOWN},      {"NumpadDivide", KEY_SLASH_PAD},
   {"NumpadMultiply", KEY_ASTERISK}, {"NumpadSubtract", KEY_MINUS_PAD},
   {"NumpadAdd", KEY_PLUS_PAD},  {"NumpadDecimal", KEY_DEL_PAD},
   {"NumpadEnter", KEY_ENTER_PAD}, {"NumpadEqual", KEY_EQUALS_PAD},
   {"PrintScreen", KEY_PRTSCR},  {"Pause", KEY_PAUSE},
   {"IntlRo", KEY_ABNT_C1},      {"IntlYen", KEY_YEN},
   {"KanaMode", KEY_KANA},       {"Convert", KEY_CONVERT},
   {"NonConvert", KEY_NOCONVERT}, {"ShiftLeft", KEY_LSHIFT},
   {"ShiftRight", KEY_RSHIFT},   {"ControlLeft", KEY_LCONTROL},
   {"ControlRight", KEY_RCONTROL}, {"AltLeft", KEY_ALT},
   {"AltRight", KEY_ALTGR},      {"MetaLeft", KEY_LWIN},
   {"MetaRight", KEY_RWIN},      {"ContextMenu", KEY_MENU},
   {"ScrollLock", KEY_SCRLOCK},  {"NumLock", KEY_NUMLOCK},
   {"CapsLock", KEY_CAPSLOCK},
};
/* clang-format on */

/* The scancode of a KeyboardEvent.code, or 0 for a key the library does
 * not know. */
static int scancode_of(const char *code)
{
   size_t i;
   int n;

   if (!strncmp(code, "Key", 3) && code[3] >= 'A' && code[3] <= 'Z' && !code[4])
      return KEY_A + code[3] - 'A';
   if (!strncmp(code, "Digit", 5) && code[5] >= '0' && code[5] <= '9' &&
       !code[6])
      return KEY_0 + code[5] - '0';
   if (!strncmp(code, "Numpad", 6) && code[6] >= '0' && code[6] <= '9' &&
       !code[7])
      return KEY_0_PAD + code[6] - '0';
   if (code[0] == 'F' && (n = atoi(code + 1)) >= 1 && n <= 12)
      return KEY_F1 + n - 1;
   for (i = 0; i < sizeof codes / sizeof codes[0]; i++)
      if (!strcmp(code, codes[i].code))
         return codes[i].scancode;
   return 0;
}

/* What a press types, in the X port's manner: nothing for a modifier (-1),
 * only the scancode with Alt held or for a key that types nothing (0), a
 * control code with Ctrl, else the character of KeyboardEvent.key. */
static int typed(const EmscriptenKeyboardEvent *e, int scancode)
{
   const unsigned char *k = (const unsigned char *)e->key;
   int c = k[0], len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
   int i;

   if (scancode >= KEY_MODIFIERS)
      return -1;
   if (e->altKey)
      return 0;
   /* A single character, decoded from UTF-8. */
   if (c && strlen(e->key) == (size_t)len) {
      c &= len == 1 ? 0x7F : 0x3F >> (len - 1);
      for (i = 1; i < len; i++)
         c = c << 6 | (k[i] & 0x3F);
      if (e->ctrlKey && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
         return (c & 0x1F);
      return c;
   }
   switch (scancode) {
   case KEY_ESC:
      return 27;
   case KEY_ENTER:
   case KEY_ENTER_PAD:
      return 13;
   case KEY_BACKSPACE:
      return 8;
   case KEY_TAB:
      return 9;
   case KEY_DEL:
      return 127;
   }
   return 0;
}

static void update_shifts(const EmscriptenKeyboardEvent *e, int scancode)
{
   int flags =
       _key_shifts & (KB_SCROLOCK_FLAG | KB_NUMLOCK_FLAG | KB_CAPSLOCK_FLAG);

   if (e->shiftKey)
      flags |= KB_SHIFT_FLAG;
   if (e->ctrlKey)
      flags |= KB_CTRL_FLAG;
   if (e->altKey)
      flags |= KB_ALT_FLAG;
   if (e->metaKey)
      flags |= KB_LWIN_FLAG;
   if (scancode == KEY_CAPSLOCK)
      flags ^= KB_CAPSLOCK_FLAG;
   if (scancode == KEY_NUMLOCK)
      flags ^= KB_NUMLOCK_FLAG;
   if (scancode == KEY_SCRLOCK)
      flags ^= KB_SCROLOCK_FLAG;
   _key_shifts = flags;
}

/* A program that samples key[] once a frame would miss a key pressed and
 * released while it was suspended: such a release waits until the program
 * has run with the key held. Keys pressed since the program last ran, and
 * those of them released since: */
static char fresh[KEY_MAX], held_back[KEY_MAX];

static void turn(void)
{
   int i;

   for (i = 1; i < KEY_MAX; i++) {
      if (held_back[i])
         _handle_key_release(i);
      fresh[i] = held_back[i] = FALSE;
   }
}

static void release_all(void)
{
   int i;

   _key_shifts &= KB_SCROLOCK_FLAG | KB_NUMLOCK_FLAG | KB_CAPSLOCK_FLAG;
   for (i = 1; i < KEY_MAX; i++) {
      fresh[i] = held_back[i] = FALSE;
      if (key[i])
         _handle_key_release(i);
   }
}

static EM_BOOL em_key(int type, const EmscriptenKeyboardEvent *e, void *data)
{
   int scancode = scancode_of(e->code);

   /* Keys the library does not know (volume keys, F13, language keys)
    * are dropped, as the X port drops them, and left to the browser. */
   if (!scancode)
      return FALSE;
   if (type == EMSCRIPTEN_EVENT_KEYDOWN) {
      update_shifts(e, e->repeat ? 0 : scancode);
      _handle_key_press(typed(e, scancode), scancode);
      fresh[scancode] = TRUE;
      held_back[scancode] = FALSE;
   } else {
      update_shifts(e, 0);
      if (fresh[scancode])
         held_back[scancode] = TRUE;
      else
         _handle_key_release(scancode);
   }

   /* The program's keys do not scroll the page, move the focus or find
    * text; the browser's own shortcuts, with Ctrl, Alt or Meta or on a
    * function key, still work. */
   return !e->ctrlKey && !e->altKey && !e->metaKey &&
          (scancode < KEY_F1 || scancode > KEY_F12);
}

static int em_keyboard_init(void)
{
   _em_keyboard_turn = turn;
   _em_keyboard_release_all = release_all;
   /* On the window, so that keys reach the program however the page's
    * focus lies. */
   emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, FALSE,
                                   em_key);
   emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, FALSE,
                                 em_key);
   return 0;
}

static void em_keyboard_exit(void)
{
   _em_keyboard_turn = _em_keyboard_release_all = NULL;
   emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, FALSE,
                                   NULL);
   emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, FALSE,
                                 NULL);
}
