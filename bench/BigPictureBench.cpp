// The real program on big pictures, watched from outside the process. For each
// picture named on the command line (Windows paths), over a few runs:
// - work: the time from start to the first move plus the time from arrival to the
//   final box, which is what the program spends beyond its fixed-pace animation
//   (the animation's length depends on the edge the minute picks);
// - whole: from start to the final box;
// - gap: the longest time between two moves from the first move to arrival.
//   The program sizes the window and makes the picture ready far out of sight
//   before it places the window at its edge; a move to or from such a place is
//   part of that preparation, not of the slide, and is not counted as a move;
// - peak: the process's peak working set.
// The saved picture is left beside the source for bench/big-pictures.sh.
//   scripts/wine-runner build/bench/big_picture_bench.exe [-runs N] PICTURE...
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "tests/app/RunningProgram.h"
#include "tests/support/BoxWatcher.h"

namespace {

// Far beyond any screen: where the program prepares a window out of sight.
constexpr LONG kOutOfSight = -30000;

bool OutOfSight(const RECT& rect) { return rect.left <= kOutOfSight || rect.top <= kOutOfSight; }

struct Run {
  bool finished = false;
  double work = 0, whole = 0, gap = 0;
  double peakMiB = 0;
  size_t moves = 0;
};

Run RunProgram(const std::string& picture) {
  Run run;
  const double start = Now();
  RunningProgram program("\"" + picture + "\"");
  HWND window = nullptr;
  std::vector<double> moves;
  RECT last{};
  bool seen = false;
  double box = 0;
  while (Now() - start < 120) {
    if (window == nullptr) window = FindVisibleWindow(program.ProcessId(), "TMainForm1");
    if (window != nullptr) {
      RECT rect;
      if (GetWindowRect(window, &rect)) {
        const bool moved = rect.left != last.left || rect.top != last.top;
        if (seen && moved && !OutOfSight(rect) && !OutOfSight(last)) moves.push_back(Now());
        last = rect;
        seen = true;
      }
    }
    if (FindVisibleWindow(program.ProcessId(), "TMessageForm") != nullptr ||
        FindVisibleWindow(program.ProcessId(), "#32770") != nullptr) {
      box = Now();
      break;
    }
    if (WaitForSingleObject(program.Process(), 0) == WAIT_OBJECT_0) break;
    Sleep(1);
  }
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(program.Process(), &counters, sizeof counters))
    run.peakMiB = static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
  BoxWatcher watcher(program.ProcessId());
  program.WaitForExit(60000);
  if (box == 0 || moves.size() < 2) return run;
  run.finished = true;
  run.moves = moves.size();
  run.whole = box - start;
  run.work = (moves.front() - start) + (box - moves.back());
  for (size_t i = 1; i < moves.size(); ++i) run.gap = std::max(run.gap, moves[i] - moves[i - 1]);
  if (std::getenv("BIG_PICTURE_BENCH_TRACE") != nullptr) {
    for (size_t i = 1; i < moves.size(); ++i)
      std::printf("  move %zu at %.0f ms, %.1f ms after the one before\n", i, (moves[i] - start) * 1000,
                  (moves[i] - moves[i - 1]) * 1000);
    std::printf("  first move %.0f ms, box %.0f ms\n", (moves.front() - start) * 1000, (box - start) * 1000);
  }
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3;
  std::vector<std::string> pictures;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "-runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      pictures.push_back(argv[i]);
    }
  }
  std::printf("%-28s %9s %9s %8s %9s %6s\n", "picture", "work ms", "whole ms", "gap ms", "peak MiB", "moves");
  int failures = 0;
  for (const std::string& picture : pictures) {
    std::vector<double> work, whole;
    double gap = 0, peak = 0;
    size_t moves = 0;
    for (int r = 0; r < runs; ++r) {
      const Run run = RunProgram(picture);
      if (!run.finished) continue;
      work.push_back(run.work);
      whole.push_back(run.whole);
      gap = std::max(gap, run.gap);
      peak = std::max(peak, run.peakMiB);
      moves = run.moves;
    }
    const std::string name = picture.substr(picture.find_last_of('\\') + 1);
    if (work.empty()) {
      std::printf("%-28s did not reach its final box\n", name.c_str());
      ++failures;
      continue;
    }
    std::sort(work.begin(), work.end());
    std::sort(whole.begin(), whole.end());
    std::printf("%-28s %9.0f %9.0f %8.1f %9.1f %6zu\n", name.c_str(), work[work.size() / 2] * 1000,
                whole[whole.size() / 2] * 1000, gap * 1000, peak, moves);
    std::fflush(stdout);
  }
  return failures == 0 ? 0 : 1;
}
