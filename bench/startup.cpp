// Start-up time: steer to its first frame on screen, against the bare
// program to its window and to its first frame, each started afresh many
// times in turn. The X server must have a white root, so that a black
// window shows.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace
{

Display *dpy;

// Whether every pixel of the rectangle passes the test.
bool all(int x, int y, int w, int h, const std::function<bool(unsigned)> &ok)
{
   XImage *img =
       XGetImage(dpy, DefaultRootWindow(dpy), x, y, static_cast<unsigned>(w),
                 static_cast<unsigned>(h), AllPlanes, ZPixmap);
   bool yes = true;
   for (int j = 0; j < h && yes; j++)
      for (int i = 0; i < w && yes; i++)
         yes = ok(static_cast<unsigned>(XGetPixel(img, i, j)) & 0xffffff);
   XDestroyImage(img);
   return yes;
}

bool window_up()
{
   return all(700, 500, 16, 16, [](unsigned c) { return c == 0; });
}

// A first frame: the heading's text, or bare's bar in its colour.
bool frame_up()
{
   return window_up() &&
          !all(10, 10, 80, 8, [](unsigned c) { return c != 0xff64c8; });
}

// Milliseconds from starting the program to the sign that it is up.
double time_to(const char *exe, const char *arg, bool (*up)())
{
   auto start = std::chrono::steady_clock::now();
   pid_t pid = fork();
   if (pid == 0) {
      std::string display = std::string("DISPLAY=") + getenv("DISPLAY");
      char *env[] = {display.data(), const_cast<char *>("HOME=/nonexistent"),
                     nullptr};
      char *args[] = {const_cast<char *>(exe), const_cast<char *>(arg),
                      nullptr};
      execve(exe, args, env);
      _exit(127);
   }
   while (!up())
      usleep(100);
   auto ms = std::chrono::duration<double, std::milli>(
                 std::chrono::steady_clock::now() - start)
                 .count();
   kill(pid, SIGKILL);
   waitpid(pid, nullptr, 0);
   while (window_up())
      usleep(1000);
   return ms;
}

double median(std::vector<double> v)
{
   std::sort(v.begin(), v.end());
   return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
   if (argc != 3 || !(dpy = XOpenDisplay(nullptr))) {
      std::fprintf(stderr, "usage: startup STEER BARE, with DISPLAY set\n");
      return 2;
   }
   if (window_up()) {
      std::fprintf(stderr, "startup: the X server needs a white root (-wr)\n");
      return 2;
   }
   constexpr int runs = 21;
   std::vector<double> steer, window, frame;
   for (int i = 0; i < runs; i++) {
      steer.push_back(time_to(argv[1], nullptr, frame_up));
      window.push_back(time_to(argv[2], nullptr, window_up));
      frame.push_back(time_to(argv[2], "--present", frame_up));
   }
   double s = median(steer), w = median(window), f = median(frame);
   std::printf("start-up, median of %d: steer to its first frame %.1f ms; "
               "bare to its window %.1f ms, to its first frame %.1f ms\n",
               runs, s, w, f);
   std::printf("startup steer/bare (first frame): %.2f\n", s / f);
   std::printf("startup steer/bare (window): %.2f\n", s / w);
   XCloseDisplay(dpy);
   return 0;
}
