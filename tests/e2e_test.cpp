// The real program in a real X server: the display the suite is given (CTest
// starts one with xvfb-run), the program driven by XTest input events and its
// window's pixels read back. STEER_COMMAND, when set, is the command that
// starts the program, such as the installed one or wine with the .exe.
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

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "drawing.h"
#include "probe.h"
#include "world.h"

// After the others: Xlib's macros (None, Bool) would break their headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace
{

Display *dpy;

std::vector<std::string> command()
{
   const char *cmd = std::getenv("STEER_COMMAND");
   std::istringstream in(cmd ? cmd : STEER_EXE);
   std::vector<std::string> words;
   for (std::string w; in >> w;)
      words.push_back(w);
   return words;
}

const bool wine = command().front().ends_with("wine");

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

std::string slurp(const std::string &path)
{
   std::ostringstream s;
   s << std::ifstream(path).rdbuf();
   return s.str();
}

// One run of the program in a scratch directory that is also its home, with
// a clean environment (the library reads configuration from both), its
// output kept in files there. It dies with the test binary.
struct run {
   std::string dir = "/tmp/steer-e2e-XXXXXX";
   pid_t pid;

   run(std::vector<std::string> env, bool ignore_int = false)
   {
      if (!mkdtemp(dir.data()))
         throw std::runtime_error("no scratch directory");
      env.push_back("HOME=" + dir);
      env.push_back("PATH=/usr/bin:/bin");
      for (const char *name : {"XAUTHORITY", "ASAN_OPTIONS", "UBSAN_OPTIONS",
                               "WINEPREFIX", "WINEDEBUG"})
         if (const char *v = std::getenv(name))
            env.push_back(std::string(name) + "=" + v);
      auto args = command();
      if ((pid = fork()) != 0)
         return;
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      signal(SIGINT, ignore_int ? SIG_IGN : SIG_DFL);
      std::vector<char *> argv, envp;
      for (auto &a : args)
         argv.push_back(a.data());
      for (auto &v : env)
         envp.push_back(v.data());
      argv.push_back(nullptr);
      envp.push_back(nullptr);
      if (chdir(dir.c_str()) == 0 &&
          dup2(open("out", O_WRONLY | O_CREAT, 0600), 1) == 1 &&
          dup2(open("err", O_WRONLY | O_CREAT, 0600), 2) == 2)
         execvpe(argv[0], argv.data(), envp.data());
      _exit(127);
   }

   ~run()
   {
      if (pid && waitpid(pid, nullptr, WNOHANG) == 0) {
         kill(pid, SIGKILL);
         waitpid(pid, nullptr, 0);
      }
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
      return slurp(dir + "/out") + slurp(dir + "/err");
   }
};

// Failures here are recorded, not fatal: a fatal one would make every test
// count as skipped. Each test then fails on the missing display.
struct xserver : ::testing::Environment {
   void SetUp() override
   {
      dpy = XOpenDisplay(nullptr);
      EXPECT_TRUE(dpy) << "no X display; run the suite under xvfb-run";
      // Windows come and go between listing and asking for their names.
      XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
   }
   void TearDown() override
   {
      if (dpy)
         XCloseDisplay(dpy);
   }
};

auto *const server = ::testing::AddGlobalTestEnvironment(new xserver);

void press(KeySym sym, bool down)
{
   XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, sym), down, 0);
   XSync(dpy, False);
}

// Whether an image of the window matches a frame pixel for pixel.
bool same(XImage *img, BITMAP *frame)
{
   for (int y = 0; y < 600; y++)
      for (int x = 0; x < 800; x++)
         if ((XGetPixel(img, x, y) & 0xffffff) != rgb(frame, x, y))
            return false;
   return true;
}

// The program started afresh, its window found on the screen. Pointer
// positions are in the window's pixels.
class program : public ::testing::Test
{
 protected:
   std::optional<run> app;
   Window win = 0;
   int left = 0, top = 0, want_x = -1, want_y = -1;

   void TearDown() override
   {
      press(XK_space, false);
      press(XK_Escape, false);
   }

   // Starts the program, then brings the pointer in above the player and
   // waits for the first frame.
   void start(bool ignore_int = false)
   {
      ASSERT_TRUE(dpy) << "no X server to test in";
      app.reset();
      ASSERT_TRUE(until([&] { return !find_window(); }));
      want_x = -1;
      XTestFakeMotionEvent(dpy, -1, 1020, 760, 0);
      app.emplace(std::vector<std::string>{"DISPLAY=" +
                                           std::string(DisplayString(dpy))},
                  ignore_int);
      ASSERT_TRUE(until([&] { return (win = find_window()) != 0; }))
          << "no window; the program said: " << app->output();
      XWindowAttributes a;
      XGetWindowAttributes(dpy, win, &a);
      left = a.x;
      top = a.y;
      point(400, 100);
      ASSERT_TRUE(shows({{400.0, 300.0, 0}})) << "not upright at the centre";
   }

   // The viewable 800 x 600 window whose name begins with "steer".
   Window find_window()
   {
      Window root, parent, *children = nullptr, found = 0;
      unsigned n = 0;
      XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n);
      for (unsigned i = 0; i < n && !found; i++) {
         char *name = nullptr;
         XWindowAttributes a;
         if (XFetchName(dpy, children[i], &name) && name &&
             std::string(name).starts_with("steer") &&
             XGetWindowAttributes(dpy, children[i], &a) &&
             a.map_state == IsViewable && a.width == 800 && a.height == 600)
            found = children[i];
         XFree(name);
      }
      XFree(children);
      return found;
   }

   // The library warps the pointer to the window's centre once, soon after
   // it first enters, so the pointer is put back wherever it strays.
   void hold_pointer()
   {
      Window root, child;
      int x, y, wx, wy;
      unsigned mask;
      XQueryPointer(dpy, DefaultRootWindow(dpy), &root, &child, &x, &y, &wx,
                    &wy, &mask);
      if (want_x >= 0 && (x != left + want_x || y != top + want_y)) {
         XTestFakeMotionEvent(dpy, -1, left + want_x, top + want_y, 0);
         XSync(dpy, False);
      }
   }

   void point(int x, int y)
   {
      want_x = x;
      want_y = y;
      hold_pointer();
   }

   // Whether the window comes to show the frame that the draw step composes
   // for one of these player records, with the pointer where the test holds
   // it: nothing else drawn, nothing left out.
   bool shows(const std::vector<actor> &states)
   {
      std::vector<BITMAP *> frames;
      for (auto state : states) {
         player = state;
         mouse_x = want_x;
         mouse_y = want_y;
         draw_frame();
         frames.push_back(create_bitmap(800, 600));
         blit(scrbuf, frames.back(), 0, 0, 0, 0, 800, 600);
      }
      bool shown = until([&] {
         hold_pointer();
         XImage *img = XGetImage(dpy, win, 0, 0, 800, 600, AllPlanes, ZPixmap);
         bool any = false;
         for (auto f : frames)
            any = any || (img && same(img, f));
         if (img)
            XDestroyImage(img);
         return any;
      });
      for (auto f : frames)
         destroy_bitmap(f);
      return shown;
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

TEST_F(program, ends_cleanly_on_signals_and_a_lost_display)
{
   if (wine)
      GTEST_SKIP() << "Windows has no POSIX signals, nor Xlib to lose";
   std::string lost =
       "steer: lost the X display " + std::string(DisplayString(dpy)) + ": ";
   struct {
      int sig; // 0: the X server drops the program's connection
      const char *ending;
   } cases[] = {
       {SIGINT, "signal 2"},
       {SIGTERM, "signal 15"},
       {SIGHUP, "signal 1"},
       {0, "exit 1"},
   };
   // Different delays land the signal at different points of a frame.
   for (int delay : {0, 7, 40})
      for (auto c : cases) {
         if (!app) {
            ASSERT_NO_FATAL_FAILURE(start());
         }
         std::this_thread::sleep_for(std::chrono::milliseconds(delay));
         if (c.sig)
            kill(app->pid, c.sig);
         else
            XKillClient(dpy, win);
         XSync(dpy, False);
         EXPECT_EQ(app->end(), c.ending) << delay << " ms";
         std::string out = app->output();
         if (c.sig) {
            EXPECT_EQ(out, "") << c.ending;
         } else {
            EXPECT_EQ(out.rfind(lost, 0), 0u) << out;
            EXPECT_EQ(out.find('\n'), out.size() - 1) << out;
         }
         app.reset();
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
   for (auto env : {std::vector<std::string>{}, {"DISPLAY=:4091"}}) {
      run app(env);
      EXPECT_EQ(app.end(), "exit 1") << env.size();
      std::string err = app.output();
      EXPECT_EQ(err.rfind("steer: cannot start the Allegro library: ", 0), 0u)
          << err;
      if (!wine) {
         EXPECT_NE(err.find("DISPLAY"), std::string::npos) << err;
      }
      EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
   }
}

} // namespace
