// How close a frame of steer comes to the least any frame can cost: the
// library's clear of the back buffer and its copy to the screen. Run in an
// X server (./bench starts a virtual one).
#include <allegro.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "drawing.h"
#include "steering.h"
#include "world.h"

BITMAP *scrbuf;
BITMAP *sprite;
actor player;

// Heap allocations made by the thread that draws, while counting is on; the
// library's input thread allocates on its own schedule and is left out.
extern "C" void *__libc_malloc(size_t);
extern "C" void *__libc_calloc(size_t, size_t);
extern "C" void *__libc_realloc(void *, size_t);
static thread_local bool counting;
static long allocations;

extern "C" void *malloc(size_t n)
{
   allocations += counting;
   return __libc_malloc(n);
}
extern "C" void *calloc(size_t n, size_t size)
{
   allocations += counting;
   return __libc_calloc(n, size);
}
extern "C" void *realloc(void *p, size_t n)
{
   allocations += counting;
   return __libc_realloc(p, n);
}

namespace
{

// The pointer circles the player's start, so the heading keeps changing
// while Space keeps the player chasing it.
void steer_frame(long i)
{
   constexpr double pi = 3.14159265358979323846;
   double a = static_cast<double>(i % 360) * pi / 180;
   mouse_x = 400 + static_cast<int>(250 * std::sin(a));
   mouse_y = 300 - static_cast<int>(250 * std::cos(a));
   aim_player();
   if (key[KEY_SPACE])
      move_player();
   draw_frame();
}

void frame(benchmark::State &state)
{
   long i = 0;
   for (auto _ : state)
      steer_frame(i++);
}

// The same frame once per display refresh, as the browser form runs it:
// between two frames the caches cool and the processor may slow down.
void frame_each_refresh(benchmark::State &state)
{
   long i = 0;
   for (auto _ : state) {
      state.PauseTiming();
      std::this_thread::sleep_for(std::chrono::microseconds(16667));
      state.ResumeTiming();
      steer_frame(i++);
   }
}

void clear_and_copy(benchmark::State &state)
{
   for (auto _ : state) {
      clear(scrbuf);
      blit(scrbuf, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
   }
}

// The same, with a memory bitmap standing in for the window.
template <void (*body)(benchmark::State &)>
void in_memory(benchmark::State &state)
{
   BITMAP *window = screen;
   screen = create_bitmap(SCREEN_W, SCREEN_H);
   body(state);
   destroy_bitmap(screen);
   screen = window;
}

void memset_memcpy(benchmark::State &state)
{
   std::vector<char> a(800 * 600 * 4), b(a.size());
   for (auto _ : state) {
      std::memset(a.data(), 0, a.size());
      benchmark::DoNotOptimize(a.data());
      std::memcpy(b.data(), a.data(), a.size());
      benchmark::ClobberMemory();
   }
}

// Each reports frames per second beside its time per frame, in wall-clock
// time, since the copy to the window shares a lock with the library's
// background thread and waiting for it is part of a frame's cost; the median
// of five runs, since that thread makes single runs noisy.
// A second's worth of calls, or so many when given.
void add(const char *name, void (*body)(benchmark::State &), long calls = 0)
{
   auto per_second = [body](benchmark::State &state) {
      body(state);
      state.counters["fps"] = benchmark::Counter(
          static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
   };
   auto *b = benchmark::RegisterBenchmark(name, per_second)
                 ->Repetitions(5)
                 ->ReportAggregatesOnly(true)
                 ->UseRealTime();
   if (calls)
      b->Iterations(calls);
   else
      b->MinTime(1);
}

double allocations_per(void (*step)())
{
   constexpr long calls = 1000;
   allocations = 0;
   counting = true;
   for (long i = 0; i < calls; i++)
      step();
   counting = false;
   return static_cast<double>(allocations) / calls;
}

// The console report, keeping each result's time per frame for the ratios.
struct reporter : benchmark::ConsoleReporter {
   std::map<std::string, double> ns;
   reporter() : ConsoleReporter(OO_Tabular) {}
   void ReportRuns(const std::vector<Run> &runs) override
   {
      std::vector<Run> medians;
      for (auto &r : runs)
         if (r.aggregate_name == "median") {
            medians.push_back(r);
            ns[r.run_name.function_name] = r.GetAdjustedRealTime();
         }
      ConsoleReporter::ReportRuns(medians);
   }
};

} // namespace

int main(int argc, char **argv)
{
   if (allegro_init() != 0 || install_keyboard() != 0 || install_mouse() < 0 ||
       install_timer() != 0) {
      std::fprintf(stderr, "frame_bench: cannot start the library: %s\n",
                   allegro_error);
      return 1;
   }
   set_color_depth(32);
   if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, 800, 600, 0, 0) != 0) {
      std::fprintf(stderr, "frame_bench: cannot open a window: %s\n",
                   allegro_error);
      return 1;
   }
   scrbuf = create_bitmap(SCREEN_W, SCREEN_H);
   sprite = make_sprite();
   player = {SCREEN_W / 2.0, SCREEN_H / 2.0, 0};
   key[KEY_SPACE] = 1;

   benchmark::Initialize(&argc, argv);
   add("floor (screen)", clear_and_copy);
   add("frame (screen)", frame);
   add("floor (memory)", in_memory<clear_and_copy>);
   add("frame (memory)", in_memory<frame>);
   add("memset + memcpy", memset_memcpy);
   // Two seconds of frames, a sixtieth of a second apart.
   add("frame (memory, 60 Hz)", in_memory<frame_each_refresh>, 120);
   reporter report;
   benchmark::RunSpecifiedBenchmarks(&report);

   std::printf("heap allocations per call: aim %g, move %g, draw %g; "
               "the library's textprintf_ex alone %g\n",
               allocations_per(aim_player), allocations_per(move_player),
               allocations_per(draw_frame), allocations_per([] {
                  textprintf_ex(scrbuf, font, 10, 10, makecol(255, 100, 200),
                                -1, "Angle: %0.0f", fixtof(player.angle));
               }));

   auto ns = report.ns;
   std::printf("floor (memory)/memset+memcpy: %.2f\n",
               ns["floor (memory)"] / ns["memset + memcpy"]);
   std::printf("frame/floor (screen): %.2f\n",
               ns["frame (screen)"] / ns["floor (screen)"]);
   std::printf("frame/floor (memory): %.2f\n",
               ns["frame (memory)"] / ns["floor (memory)"]);

   destroy_bitmap(sprite);
   destroy_bitmap(scrbuf);
   allegro_exit();
   return 0;
}
END_OF_MAIN()
