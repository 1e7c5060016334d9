// The real program in a real X server: an Xvfb of the test's own, the program
// driven by XTest input events and its window's pixels read back.
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "probe.h"

// After the others: Xlib's macros (None, Bool) would break their headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace
{

Display *dpy;
std::string display_name;
pid_t xvfb;

// Starts the program in a directory of its own with exactly this
// environment, its output kept in files there.
pid_t spawn(const std::vector<std::string> &env, const std::string &dir)
{
   pid_t pid = fork();
   if (pid != 0)
      return pid;
   std::vector<char *> vars;
   for (auto &v : env)
      vars.push_back(const_cast<char *>(v.c_str()));
   vars.push_back(nullptr);
   if (chdir(dir.c_str()) != 0)
      _exit(127);
   int out = open("out", O_WRONLY | O_CREAT | O_TRUNC, 0600);
   int err = open("err", O_WRONLY | O_CREAT | O_TRUNC, 0600);
   dup2(out, 1);
   dup2(err, 2);
   close(out);
   close(err);
   char *args[] = {const_cast<char *>(STEER_EXE), nullptr};
   execve(args[0], args, vars.data());
   _exit(127);
}

// Polls for a condition, for a few seconds at most.
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

// The exit status, or -1 if the process had not ended within the bound.
int finish(pid_t pid, double seconds = 10)
{
   int status = 0;
   if (until([&] { return waitpid(pid, &status, WNOHANG) == pid; }, seconds))
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
   kill(pid, SIGKILL);
   waitpid(pid, &status, 0);
   return -1;
}

std::string slurp(const std::string &path)
{
   std::ostringstream s;
   s << std::ifstream(path).rdbuf();
   return s.str();
}

// A fatal failure here would make every test count as skipped, so set-up
// failures are recorded and each test then fails on the missing display.
struct xserver : ::testing::Environment {
   void SetUp() override
   {
      // The text reference comes from the library, which needs no display.
      EXPECT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
      set_color_depth(32);

      // Depth 24 keeps colours exact; Xvfb picks a free display itself and
      // writes its number, then a newline, to the pipe.
      int fds[2];
      if (pipe(fds) != 0) {
         ADD_FAILURE() << "no pipe for Xvfb";
         return;
      }
      xvfb = fork();
      if (xvfb == 0) {
         close(fds[0]);
         auto fd = std::to_string(fds[1]);
         execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0",
                "1024x768x24", "-nolisten", "tcp", "-noreset", nullptr);
         _exit(127);
      }
      close(fds[1]);
      std::string number;
      char c;
      while (read(fds[0], &c, 1) == 1 && c != '\n')
         number += c;
      close(fds[0]);
      display_name = ":" + number;
      if (!number.empty())
         dpy = XOpenDisplay(display_name.c_str());
      EXPECT_TRUE(dpy) << "Xvfb did not start";
   }
   void TearDown() override
   {
      if (dpy)
         XCloseDisplay(dpy);
      kill(xvfb, SIGTERM);
      waitpid(xvfb, nullptr, 0);
      allegro_exit();
   }
};

auto *const server = ::testing::AddGlobalTestEnvironment(new xserver);

// Where the test has put the pointer. The library warps the pointer to the
// window's centre once, soon after it first enters, so the pointer is put
// back wherever it has strayed from this.
int want_x, want_y;

void hold_pointer()
{
   Window root, child;
   int x, y, wx, wy;
   unsigned mask;
   XQueryPointer(dpy, DefaultRootWindow(dpy), &root, &child, &x, &y, &wx, &wy,
                 &mask);
   if (x != want_x || y != want_y) {
      XTestFakeMotionEvent(dpy, -1, want_x, want_y, 0);
      XSync(dpy, False);
   }
}

void point(int x, int y)
{
   want_x = x;
   want_y = y;
   XTestFakeMotionEvent(dpy, -1, x, y, 0);
   XSync(dpy, False);
}

void press(KeySym sym, bool down)
{
   XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, sym), down, 0);
   XSync(dpy, False);
}

// One read of the window's pixels.
struct shot {
   XImage *img;
   explicit shot(Window w)
       : img(XGetImage(dpy, w, 0, 0, 800, 600, AllPlanes, ZPixmap))
   {
   }
   ~shot()
   {
      XDestroyImage(img);
   }
   unsigned at(int x, int y) const
   {
      return static_cast<unsigned>(XGetPixel(img, x, y)) & 0xffffff;
   }
   bool near(int x, int y, unsigned colour) const
   {
      return ::near([this](int i, int j) { return at(i, j); }, x, y, colour);
   }
   bool reads(const char *text) const
   {
      BITMAP *ref = reference_text(text);
      bool same = true;
      for (int y = 0; y < 30 && same; y++)
         for (int x = 0; x < 200 && same; x++)
            same = at(x, y) == rgb(ref, x, y);
      destroy_bitmap(ref);
      return same;
   }
   bool crosshair(int mx, int my) const
   {
      for (int d = -5; d <= 5; d++)
         if (at(mx + d, my) != white || at(mx, my + d) != white)
            return false;
      return true;
   }
};

// The program started afresh for each test, in a clean directory and a
// clean environment, since the library reads configuration from both.
class program : public ::testing::Test
{
 protected:
   std::string dir;
   pid_t pid = 0;
   Window win = 0;

   void SetUp() override
   {
      ASSERT_TRUE(dpy) << "no X server to test in";
      char tmpl[] = "/tmp/steer-e2e-XXXXXX";
      ASSERT_TRUE(mkdtemp(tmpl));
      dir = tmpl;
      point(1000, 700); // outside the window until a test moves in
      pid = spawn(environment({"DISPLAY=" + display_name}, dir), dir);
      ASSERT_TRUE(until([&] { return (win = find_window()) != 0; }))
          << "no window; the program said: " << slurp(dir + "/err");
      // The first frame is up, with the pointer still outside: heading 0.
      ASSERT_TRUE(shows([](const shot &s) { return s.reads("Angle: 0"); }));
   }

   void TearDown() override
   {
      press(XK_space, false);
      if (pid && waitpid(pid, nullptr, WNOHANG) == 0) {
         kill(pid, SIGKILL);
         waitpid(pid, nullptr, 0);
      }
      std::filesystem::remove_all(dir);
   }

   Window find_window()
   {
      Window root, parent, *children = nullptr, found = 0;
      unsigned n = 0;
      XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n);
      for (unsigned i = 0; i < n && !found; i++) {
         char *name = nullptr;
         XWindowAttributes a;
         if (XFetchName(dpy, children[i], &name) && name &&
             std::string(name) == "steer" &&
             XGetWindowAttributes(dpy, children[i], &a) &&
             a.map_state == IsViewable)
            found = children[i];
         XFree(name);
      }
      XFree(children);
      return found;
   }

   bool shows(const std::function<bool(const shot &)> &cond)
   {
      return until([&] {
         hold_pointer();
         return cond(shot(win));
      });
   }

   // Esc ends the program; what it printed and its status are checked.
   void quit()
   {
      press(XK_Escape, true);
      EXPECT_EQ(finish(pid), 0);
      press(XK_Escape, false);
      pid = 0;
      EXPECT_EQ(slurp(dir + "/out") + slurp(dir + "/err"), "");
   }

 public:
   // The sanitizers' settings pass through; nothing else does.
   static std::vector<std::string> environment(std::vector<std::string> env,
                                               const std::string &home)
   {
      env.push_back("HOME=" + home);
      for (const char *name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
         if (const char *v = std::getenv(name))
            env.push_back(std::string(name) + "=" + v);
      return env;
   }
};

TEST_F(program, starts_upright_at_centre)
{
   XWindowAttributes a;
   ASSERT_TRUE(XGetWindowAttributes(dpy, win, &a));
   EXPECT_EQ(a.width, 800);
   EXPECT_EQ(a.height, 600);

   point(400, 100);
   EXPECT_TRUE(shows([](const shot &s) {
      return s.crosshair(400, 100) && s.reads("Angle: 0");
   }));
   shot s(win);
   EXPECT_EQ(s.at(400, 172), yellow); // the nose
   EXPECT_EQ(s.at(378, 182), yellow); // the roof over the outline's corners
   EXPECT_EQ(s.at(422, 182), yellow);
   EXPECT_EQ(s.at(378, 418), red);
   EXPECT_EQ(s.at(422, 418), red);
   EXPECT_EQ(s.at(400, 300), black); // the mask stays transparent
   // Nothing else is drawn: every lit pixel is text, crosshair or image.
   for (int y = 0; y < 600; y++)
      for (int x = 0; x < 800; x++) {
         bool text = x < 200 && y < 30;
         bool cross =
             (y == 100 && abs(x - 400) <= 5) || (x == 400 && abs(y - 100) <= 5);
         bool image = x >= 368 && x < 432 && y >= 172 && y < 428;
         if (!text && !cross && !image) {
            ASSERT_EQ(s.at(x, y), black) << x << ", " << y;
         }
      }
   quit();
}

TEST_F(program, nose_follows_pointer)
{
   struct {
      int mx, my;
      const char *text;
      int nose_x, nose_y; // where the nose lands, the player at the centre
   } cases[] = {
       {600, 300, "Angle: 64", 528, 300},  {400, 500, "Angle: -128", 400, 428},
       {200, 300, "Angle: -64", 272, 300}, {400, 50, "Angle: 0", 400, 172},
       {600, 100, "Angle: 32", 490, 210},  {200, 500, "Angle: -96", 310, 390},
   };
   for (auto c : cases) {
      point(c.mx, c.my);
      EXPECT_TRUE(shows([&](const shot &s) {
         return s.crosshair(c.mx, c.my) && s.reads(c.text) &&
                s.near(c.nose_x, c.nose_y, yellow);
      })) << c.text;
   }
   quit();
}

TEST_F(program, space_carries_player_to_pointer_and_release_stops_it)
{
   point(600, 300); // an even offset of 200: closed exactly
   ASSERT_TRUE(shows([](const shot &s) { return s.reads("Angle: 64"); }));
   press(XK_space, true);
   // On the pointer the offsets are zero, so it stands upright there.
   EXPECT_TRUE(shows([](const shot &s) {
      return s.reads("Angle: 0") && s.at(600, 172) == yellow &&
             s.at(578, 418) == red && s.at(622, 418) == red;
   }));
   press(XK_space, false);

   // Released, it turns to the pointer but stays where it stands.
   point(700, 300);
   EXPECT_TRUE(shows([](const shot &s) {
      return s.crosshair(700, 300) && s.reads("Angle: 64") &&
             s.near(728, 300, yellow);
   }));
   point(600, 100);
   EXPECT_TRUE(shows([](const shot &s) {
      return s.crosshair(600, 100) && s.reads("Angle: 0") &&
             s.at(600, 172) == yellow && s.at(578, 418) == red;
   }));
   quit();
}

TEST_F(program, esc_ends_even_with_space_held)
{
   point(400, 100);
   ASSERT_TRUE(shows([](const shot &s) { return s.crosshair(400, 100); }));
   press(XK_space, true);
   quit();
}

TEST(startup, without_display_says_why_in_one_line_and_exits_1)
{
   char tmpl[] = "/tmp/steer-e2e-XXXXXX";
   ASSERT_TRUE(mkdtemp(tmpl));
   std::string dir = tmpl;
   for (auto env : {std::vector<std::string>{}, {"DISPLAY=:4091"}}) {
      pid_t pid = spawn(program::environment(env, dir), dir);
      EXPECT_EQ(finish(pid), 1);
      std::string err = slurp(dir + "/err");
      EXPECT_EQ(err.rfind("steer: cannot start the Allegro library: ", 0), 0u)
          << err;
      EXPECT_NE(err.find("DISPLAY"), std::string::npos) << err;
      EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
      EXPECT_EQ(slurp(dir + "/out"), "");
   }
   std::filesystem::remove_all(dir);
}

} // namespace
