// The real program in a real X server: the display the suite is given
// (scripts/xvfb starts one), the program driven by XTest input events and its
// window's pixels read back. STEER_COMMAND, when set, is the command that
// starts the program, such as the installed one or Wine with the .exe; set
// STEER_WINE=1 too for the last.
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "drawing.h"
#include "probe.h"

// After the others: Xlib's macros (None, Bool) would break their headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace
{

// The command that starts the program, run by the shell.
const std::string command =
    std::getenv("STEER_COMMAND") ? std::getenv("STEER_COMMAND") : STEER_EXE;
const bool wine = std::getenv("STEER_WINE");

// The display the suite is given. A window can vanish between finding it
// and asking about it, so X errors are ignored.
Display *const dpy = [] {
   XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
   return XOpenDisplay(nullptr);
}();

bool until(const std::function<bool()> &cond, double seconds = 10)
{
   auto end = std::chrono::steady_clock::now() +
              std::chrono::duration<double>(seconds);
   while (!cond()) {
      if (std::chrono::steady_clock::now() > end)
         return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
   }
   return true;
}

// One run of the program in a scratch directory that is also its home, with
// a clean environment (the library reads configuration from both), its
// output kept in a file there.
struct run {
   std::string dir = "/tmp/steer-e2e-XXXXXX";
   pid_t pid;

   run(std::string env, bool ignore_int = false)
   {
      if (!mkdtemp(dir.data()))
         throw std::runtime_error("no scratch directory");
      env += " HOME=" + dir + " PATH=/usr/bin:/bin";
      for (const char *name : {"XAUTHORITY", "ASAN_OPTIONS", "UBSAN_OPTIONS",
                               "WINEPREFIX", "WINEARCH", "WINEDEBUG"})
         if (const char *v = std::getenv(name))
            env += " " + std::string(name) + "=" + v;
      auto sh =
          "cd " + dir + " && exec env -i " + env + " " + command + " >out 2>&1";
      if ((pid = fork()) == 0) {
         prctl(PR_SET_PDEATHSIG, SIGKILL); // it dies with the suite
         signal(SIGINT, ignore_int ? SIG_IGN : SIG_DFL);
         execl("/bin/sh", "sh", "-c", sh.c_str(), nullptr);
         _exit(127);
      }
   }

   ~run()
   {
      if (pid && kill(pid, SIGKILL) == 0)
         waitpid(pid, nullptr, 0);
      std::filesystem::remove_all(dir);
   }

   // How it ended, as a shell would say it, or "running" past the bound.
   std::string end(double seconds = 10)
   {
      int s = 0;
      if (!until([&] { return waitpid(pid, &s, WNOHANG) == pid; }, seconds))
         return "running";
      pid = 0;
      if (WIFEXITED(s))
         return "exit " + std::to_string(WEXITSTATUS(s));
      return "signal " + std::to_string(WTERMSIG(s)) +
             (WCOREDUMP(s) ? ", core dumped" : "");
   }

   std::string output() const
   {
      std::ostringstream s;
      s << std::ifstream(dir + "/out").rdbuf();
      return s.str();
   }
};

void press(KeySym sym, bool down)
{
   XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, sym), down, 0);
   XSync(dpy, False);
}

// The program started afresh, its window found on the screen. Pointer
// positions are in the window's pixels.
class program : public ::testing::Test
{
 protected:
   std::optional<run> app;
   Window win = 0;
   int left = 0, top = 0, want_x = 0, want_y = 0;

   // Starts the program with no key held from an earlier one, then brings
   // the pointer in on the player, where the library itself puts it, and
   // waits for the first frame.
   void start(bool ignore_int = false)
   {
      ASSERT_TRUE(dpy) << "no X server to test in";
      app.reset();
      press(XK_space, false);
      press(XK_Escape, false);
      ASSERT_TRUE(until([&] { return !find_window(); }));
      XTestFakeMotionEvent(dpy, -1, 400, 300, 0);
      app.emplace("DISPLAY=" + std::string(DisplayString(dpy)), ignore_int);
      ASSERT_TRUE(until([&] { return (win = find_window()) != 0; }))
          << "no window; the program said: " << app->output();
      point(400, 300);
      ASSERT_TRUE(shows({{400.0, 300.0, 0}})) << "not upright at the centre";
   }

   // The viewable 800 x 600 window under the pointer.
   Window find_window()
   {
      Window root, child = 0;
      int x, y, wx, wy;
      unsigned mask;
      XWindowAttributes a;
      XQueryPointer(dpy, DefaultRootWindow(dpy), &root, &child, &x, &y, &wx,
                    &wy, &mask);
      if (!child || !XGetWindowAttributes(dpy, child, &a) ||
          a.map_state != IsViewable || a.width != 800 || a.height != 600)
         return 0;
      left = a.x;
      top = a.y;
      return child;
   }

   void point(int x, int y)
   {
      want_x = x;
      want_y = y;
   }

   // Whether the window comes to show, pixel for pixel, the frame that the
   // draw step composes for one of these player records, with the pointer
   // where the test holds it: nothing else drawn, nothing left out. (Where
   // the player's parts must land is the unit tests' to say.)
   bool shows(const std::vector<actor> &states)
   {
      return until([&] {
         // The library warps the pointer to the window's centre once, soon
         // after it first enters, so the pointer is put back again and again.
         XTestFakeMotionEvent(dpy, -1, left + want_x, top + want_y, 0);
         XImage *img = picture();
         bool any = false;
         for (auto state : states) {
            put(state, want_x, want_y);
            draw_frame();
            bool same = img;
            for (int i = 0; i < 800 * 600 && same; i++)
               same = (XGetPixel(img, i % 800, i / 800) & 0xffffff) ==
                      rgb(scrbuf, i % 800, i / 800);
            any = any || same;
         }
         if (img)
            XDestroyImage(img);
         return any;
      });
   }

   XImage *picture()
   {
      return XGetImage(dpy, win, 0, 0, 800, 600, AllPlanes, ZPixmap);
   }

   // Esc ends the program with status 0 and nothing printed.
   void quit()
   {
      press(XK_Escape, true);
      EXPECT_EQ(app->end(), "exit 0");
      EXPECT_EQ(app->output(), "");
   }
};

TEST_F(program, pointer_aims_and_space_carries_the_player)
{
   ASSERT_NO_FATAL_FAILURE(start());

   // Without Space the player turns to the pointer but stays.
   point(600, 300);
   EXPECT_TRUE(shows({{400.0, 300.0, itofix(64)}}));

   // An even offset of 200 is closed exactly; on the pointer it aims up.
   press(XK_space, true);
   EXPECT_TRUE(shows({{600.0, 300.0, 0}}));

   // An odd offset ends in a step back and forth across the pointer; each
   // frame aims before it moves, so the player is drawn facing away.
   point(601, 300);
   EXPECT_TRUE(
       shows({{602.0, 300.0, itofix(64)}, {600.0, 300.0, itofix(-64)}}));

   // Esc ends it even with Space held.
   quit();
}

TEST_F(program, keys_held_as_the_focus_leaves_are_let_go)
{
   if (wine)
      GTEST_SKIP() << "Wine with no window manager does not follow the X "
                      "focus";
   ASSERT_NO_FATAL_FAILURE(start());
   // The window is given the focus, as a window manager would, and once the
   // player faces the pointer, Space carries it there, where it stands.
   XSetInputFocus(dpy, win, RevertToParent, CurrentTime);
   point(600, 300);
   ASSERT_TRUE(shows({{400.0, 300.0, itofix(64)}}));
   press(XK_space, true);
   ASSERT_TRUE(shows({{600.0, 300.0, 0}}));
   // The focus leaves, and Space comes up where the window cannot hear it.
   // Back in focus, steer must not walk back to the pointer.
   XSetInputFocus(dpy, None, RevertToParent, CurrentTime);
   press(XK_space, false);
   XSetInputFocus(dpy, win, RevertToParent, CurrentTime);
   point(400, 300);
   EXPECT_TRUE(shows({{600.0, 300.0, itofix(-64)}}));
   quit();
   XSetInputFocus(dpy, PointerRoot, RevertToParent, CurrentTime);
}

TEST_F(program, window_is_known_by_steers_class_and_icon)
{
   if (wine)
      GTEST_SKIP() << "Wine makes the window itself";
   ASSERT_NO_FATAL_FAILURE(start());
   XClassHint hint;
   ASSERT_TRUE(XGetClassHint(dpy, win, &hint));
   EXPECT_EQ(std::string(hint.res_name) + " " + hint.res_class, "steer steer");
   XFree(hint.res_name);
   XFree(hint.res_class);

   // steer's icon, not the library's: the player turned an eighth of a turn
   // clockwise in a 256-pixel square, shown at 64, the nose up and to the
   // right, the far corners down and to the left, the rest transparent.
   XWMHints *hints = XGetWMHints(dpy, win);
   ASSERT_TRUE(hints && (hints->flags & IconPixmapHint) &&
               (hints->flags & IconMaskHint));
   Window root;
   int x, y;
   unsigned w = 0, h = 0, border, depth;
   XGetGeometry(dpy, hints->icon_pixmap, &root, &x, &y, &w, &h, &border,
                &depth);
   ASSERT_EQ(w * h, 64u * 64u) << w << " x " << h;
   XImage *icon =
       XGetImage(dpy, hints->icon_pixmap, 0, 0, 64, 64, AllPlanes, ZPixmap);
   XImage *shape = XGetImage(dpy, hints->icon_mask, 0, 0, 64, 64, 1, ZPixmap);
   ASSERT_TRUE(icon && shape);
   auto at = [](double u, double v) {
      spot s = lands(128, 128, 32, u, v);
      return spot{s.x / 4, s.y / 4};
   };
   auto colour = [&](int px, int py) {
      return static_cast<unsigned>(XGetPixel(icon, px, py) & 0xffffff);
   };
   EXPECT_TRUE(near(colour, at(32, 0), yellow));
   EXPECT_TRUE(near(colour, at(10, 246), red));
   EXPECT_TRUE(near(colour, at(54, 246), red));
   for (spot s : {at(32, 128), at(32, -8), at(-8, 260)})
      EXPECT_FALSE(
          XGetPixel(shape, static_cast<int>(s.x), static_cast<int>(s.y)));
   XDestroyImage(icon);
   XDestroyImage(shape);
   XFree(hints);
   quit();
}

TEST_F(program, ends_cleanly_on_signals_and_a_lost_display)
{
   if (wine)
      GTEST_SKIP() << "Windows has neither POSIX signals nor Xlib";
   std::string lost = "steer: lost the X display " +
                      std::string(DisplayString(dpy)) +
                      ": the X server stopped or closed the connection; start "
                      "steer again once it is back\n";
   // Each ending at some moment: while the library starts, from launch to
   // about the first frame a millisecond apart, where it waits for steer's
   // own handler; and at two points of a running frame. 0 is the X server
   // dropping the program's connection.
   struct ending {
      int sig, ms;
      bool running;
   };
   std::vector<ending> cases;
   const int sigs[] = {SIGINT, SIGTERM, SIGHUP, 0};
   for (int ms = 0; ms < 42; ms++)
      cases.push_back({sigs[ms % 3], ms, false});
   for (int ms : {0, 30})
      for (int sig : sigs)
         cases.push_back({sig, ms, true});
   press(XK_Escape, false);
   for (auto &c : cases) {
      if (c.running) {
         ASSERT_NO_FATAL_FAILURE(start());
      } else {
         app.reset();
         app.emplace("DISPLAY=" + std::string(DisplayString(dpy)));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(c.ms));
      if (c.sig)
         kill(app->pid, c.sig);
      else
         XKillClient(dpy, win);
      XSync(dpy, False);
      EXPECT_EQ(app->end(),
                c.sig ? "signal " + std::to_string(c.sig) : "exit 1")
          << c.ms << " ms, running " << c.running;
      EXPECT_EQ(app->output(), c.sig ? "" : lost) << c.sig;
   }

   // Started with Ctrl+C ignored, as a background job is, it runs on.
   ASSERT_NO_FATAL_FAILURE(start(true));
   kill(app->pid, SIGINT);
   point(200, 300);
   EXPECT_TRUE(shows({{400.0, 300.0, itofix(-64)}}));
   quit();
}

TEST(startup, without_display_says_why_in_one_line_and_exits_1)
{
   struct {
      std::string env, why;
   } cases[] = {
       {"", "no X display, DISPLAY is not set; run it in a desktop session"},
       {"DISPLAY=:4091", "no X display could be reached at DISPLAY=:4091; "
                         "check that the X server is running and accepts "
                         "this user"},
   };
   for (auto &c : cases) {
      run app(c.env);
      EXPECT_EQ(app.end(), "exit 1") << c.env;
      // Wine's own X driver gives the library no reason to pass on, and
      // Windows ends the line with CR LF.
      EXPECT_EQ(app.output(),
                "steer: cannot start the Allegro library: " +
                    (wine ? "the library gave no reason\r" : c.why) + "\n");
   }
}

} // namespace
