// A folder of many pictures through the real program, watched from outside its
// process: working set, GDI objects and handles while it runs, the first
// pictures of the run against the last, and the time until the one report
// against the time its slides take.
//   scripts/wine-runner build/bench/folder_run_bench.exe FOLDER [PICTURES_COMPARED]
// FOLDER is a Windows path; bench/folder-run.sh makes the pictures and runs it.
// A picture is in hand from the save of the one before to its own save: the
// program's outputs counted in the folder tell which. Every place the window
// takes is recorded inside the program; each place on the screen is one step
// of a slide, one tick of its 20 ms timer. Prints Markdown tables and the
// verdicts; exit code 0 when the run reached its report, ended with 0 once the
// report was answered, stayed flat and kept within its time.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "bench/ProcessCounts.h"
#include "tests/app/RunningProgram.h"
#include "tests/support/BoxWatcher.h"

namespace {

// A run whose saves stop for this long is stuck.
constexpr double kStallSeconds = 120;

// How far the mean over the last pictures may lie above the mean over the first
// ones and still count as flat: 5 %. A leak of one object or 16 KiB a picture
// would add 250 objects or 4 MiB between the two ends of a run of 300, far
// beyond it. The maxima are shown too, but a single sample that catches a
// short-lived object decides them, so the verdict goes by the means.
constexpr double kFlatShare = 0.05;

// The time a run may take: its slides, a step each 20 ms, and this much work
// for each picture (reading, fitting, capturing and saving it, and parking
// the window for the next).
constexpr double kStepSeconds = 0.020;
constexpr double kWorkSecondsPerPicture = 0.150;

struct Sample {
  int saved;  // pictures saved so far: the one in hand is the next
  double workingSetMiB;
  int gdiObjects;
  int handles;
};

int SavedCount(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + L"\\ミロカテ ～ *.jpg").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do ++count;
  while (FindNextFileW(search, &found));
  FindClose(search);
  return count;
}

double WorkingSetMiB(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return -1;
  return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

struct Run {
  std::vector<Sample> samples;
  std::vector<RECT> path;  // every place the window took
  double seconds = -1;  // from start to the report box; -1 when it never showed
  double sampleSeconds = 0;  // the time spent taking the samples
  int saved = 0;
  DWORD exitCode = 99;
};

// Runs the program on the folder and samples it every 50 ms, from when its window
// shows (Wine's start-up is no part of a picture) until its report box shows;
// then answers the box and waits for the program to end.
Run WatchRun(const std::wstring& folder) {
  Run run;
  const int before = SavedCount(folder);
  const double start = Now();
  RunningProgram program(L"\"" + folder + L"\"", Watch::kMoves);
  program.WaitForMainWindow();
  double progressAt = Now();
  int saved = 0;
  while (program.Started() && WaitForSingleObject(program.Process(), 50) == WAIT_TIMEOUT) {
    if (FindOpenBox(program.ProcessId()) != nullptr) {
      run.seconds = Now() - start;
      break;
    }
    const double sampleAt = Now();
    const int now = SavedCount(folder) - before;
    if (now != saved) progressAt = sampleAt;
    saved = now;
    if (sampleAt - progressAt > kStallSeconds) break;
    const Sample sample{saved, WorkingSetMiB(program.Process()), GdiObjectCount(program.Process()),
                        HandleCount(program.Process())};
    if (sample.workingSetMiB >= 0 && sample.gdiObjects >= 0 && sample.handles >= 0) run.samples.push_back(sample);
    run.sampleSeconds += Now() - sampleAt;
  }
  run.saved = SavedCount(folder) - before;
  run.path = program.Moves();
  BoxWatcher watcher(program.ProcessId());
  run.exitCode = program.WaitForExit(60000);
  return run;
}

struct Summary {
  double meanMiB = 0, maxMiB = 0, meanGdi = 0, maxGdi = 0, meanHandles = 0, maxHandles = 0;
  int samples = 0;
};

// The samples taken while pictures first..last (from 1) were in hand.
Summary Summarize(const std::vector<Sample>& samples, int first, int last) {
  Summary s;
  for (const Sample& sample : samples) {
    if (sample.saved + 1 < first || sample.saved + 1 > last) continue;
    ++s.samples;
    s.meanMiB += sample.workingSetMiB;
    s.meanGdi += sample.gdiObjects;
    s.meanHandles += sample.handles;
    s.maxMiB = std::max(s.maxMiB, sample.workingSetMiB);
    s.maxGdi = std::max<double>(s.maxGdi, sample.gdiObjects);
    s.maxHandles = std::max<double>(s.maxHandles, sample.handles);
  }
  if (s.samples == 0) return s;
  s.meanMiB /= s.samples;
  s.meanGdi /= s.samples;
  s.meanHandles /= s.samples;
  return s;
}

// A row of the table; the difference row carries its signs.
void PrintRow(const std::string& range, const Summary& s, bool difference) {
  const char* format = difference ? "| %s | %+.1f / %+.1f | %+.1f / %+.0f | %+.1f / %+.0f |\n"
                                  : "| %s | %.1f / %.1f | %.1f / %.0f | %.1f / %.0f |\n";
  std::printf(format, range.c_str(), s.meanMiB, s.maxMiB, s.meanGdi, s.maxGdi, s.meanHandles, s.maxHandles);
}

// Prints the table, a row for each span of pictures from the first to the last,
// and the verdict; true when every measure stayed flat from the first span to the
// last.
bool Report(const Run& run, int compared) {
  std::printf("| pictures | working set MiB (mean / max) | GDI objects (mean / max) | handles (mean / max) |\n");
  std::printf("|---|---|---|---|\n");
  std::vector<int> starts;
  for (int start = 1; start + compared - 1 < run.saved; start += compared) starts.push_back(start);
  starts.push_back(run.saved - compared + 1);
  for (const int start : starts)
    PrintRow(std::to_string(start) + "-" + std::to_string(start + compared - 1),
             Summarize(run.samples, start, start + compared - 1), false);
  const Summary first = Summarize(run.samples, 1, compared);
  const Summary last = Summarize(run.samples, starts.back(), run.saved);
  const Summary growth{last.meanMiB - first.meanMiB,         last.maxMiB - first.maxMiB,
                       last.meanGdi - first.meanGdi,         last.maxGdi - first.maxGdi,
                       last.meanHandles - first.meanHandles, last.maxHandles - first.maxHandles};
  PrintRow("last - first", growth, true);
  const bool memoryFlat = growth.meanMiB <= kFlatShare * first.meanMiB;
  const bool gdiFlat = growth.meanGdi <= kFlatShare * first.meanGdi;
  const bool handlesFlat = growth.meanHandles <= kFlatShare * first.meanHandles;
  std::printf("\n%s: working set %s, GDI objects %s, handles %s (last means within %.0f %% of the first); %d samples, "
              "%d and %d at the two ends\n",
              memoryFlat && gdiFlat && handlesFlat ? "FLAT" : "GROWS", memoryFlat ? "flat" : "grows",
              gdiFlat ? "flat" : "grows", handlesFlat ? "flat" : "grows", kFlatShare * 100,
              static_cast<int>(run.samples.size()), first.samples, last.samples);
  return memoryFlat && gdiFlat && handlesFlat;
}

// The slides along the path: each unbroken series of places on the screen,
// reached by a move from outside it and ending at the centre, is one
// picture's way in, a step each. The places the hidden window takes while it
// is made, and a parking place whose edge shows on the screen (the top edge's
// parking place lies 620 pixels out, less than a window with its caption is
// high), are no slide.
std::vector<int> SlideSteps(const std::vector<RECT>& path) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  const RECT screen{0, 0, width, height};
  std::vector<int> slides;
  int steps = 0;
  bool wasOutside = false;
  bool sliding = false;
  for (const RECT& rect : path) {
    RECT overlap;
    const bool seen = IntersectRect(&overlap, &rect, &screen) != FALSE;
    if (seen && wasOutside) steps = 0;
    sliding = seen && (sliding || wasOutside);
    if (sliding) ++steps;
    // A step is 32 pixels: the last one lands within it of the centre.
    const bool centred =
        std::abs((rect.left + rect.right) - width) <= 64 && std::abs((rect.top + rect.bottom) - height) <= 64;
    if (sliding && centred) {
      slides.push_back(steps);
      sliding = false;
    }
    wasOutside = !seen;
  }
  return slides;
}

// The run's time against its slides and the work allowed for each picture;
// true when within.
bool ReportTime(const Run& run) {
  const std::vector<int> slides = SlideSteps(run.path);
  int steps = 0;
  for (const int slide : slides) steps += slide;
  const auto [fewest, most] = std::minmax_element(slides.begin(), slides.end());
  const double slideSeconds = steps * kStepSeconds;
  const double allowed = slideSeconds + run.saved * kWorkSecondsPerPicture;
  const double workPerPicture = (run.seconds - slideSeconds) / std::max(1, run.saved);
  std::printf("\n| pictures saved | slides | steps (fewest / mean / most a slide) | slides at 20 ms | whole run | "
              "work a picture | allowed |\n|---|---|---|---|---|---|---|\n");
  std::printf("| %d | %d | %d (%d / %.1f / %d) | %.1f s | %.1f s | %.0f ms | %.1f s (%.0f ms a picture) |\n",
              run.saved, static_cast<int>(slides.size()), steps, slides.empty() ? 0 : *fewest,
              static_cast<double>(steps) / std::max<size_t>(1, slides.size()), slides.empty() ? 0 : *most,
              slideSeconds, run.seconds, workPerPicture * 1000, allowed, kWorkSecondsPerPicture * 1000);
  const bool within = static_cast<int>(slides.size()) == run.saved && run.seconds <= allowed;
  std::printf("\n%s: %.1f s for the run, %.1f s allowed%s\n", within ? "IN TIME" : "TOO SLOW", run.seconds, allowed,
              static_cast<int>(slides.size()) == run.saved ? "" : " (a slide for each picture was not seen)");
  return within;
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc < 2) {
    std::fprintf(stderr, "usage: folder_run_bench FOLDER [PICTURES_COMPARED]\n");
    return 2;
  }
  const std::wstring folder = argv[1];
  const int compared = argc > 2 ? std::max(1, _wtoi(argv[2])) : 50;
  LocalFree(argv);
  const Run run = WatchRun(folder);
  if (run.seconds < 0) {
    std::printf("no report box: %d pictures saved, then the program %s\n", run.saved,
                run.exitCode == 99 ? "stalled" : "ended");
    return 1;
  }
  std::printf("%d pictures saved; report box after %.1f s (%.2f s a picture); program's exit code %lu; "
              "sampling took %.1f s of the run\n\n",
              run.saved, run.seconds, run.seconds / std::max(1, run.saved), run.exitCode, run.sampleSeconds);
  if (run.saved < 2 * compared) {
    std::printf("too few pictures saved to compare %d at each end\n", compared);
    return 1;
  }
  const bool flat = Report(run, compared);
  const bool inTime = ReportTime(run);
  return flat && inTime && run.exitCode == 0 ? 0 : 1;
}
