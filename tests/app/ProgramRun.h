#pragma once
// One run of the real program, each box it shows read and answered with the keys
// in turn (the last key answers every later box), for the app tests.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/app/RunningProgram.h"
#include "tests/support/BoxWatcher.h"

struct ProgramRun {
  DWORD exitCode = 99;
  std::string title;  // the main window's, when it showed
  std::vector<SeenBox> boxes;
};

inline ProgramRun RunAnswering(const std::string& arguments, const std::vector<WORD>& keys) {
  ProgramRun run;
  RunningProgram program(arguments);
  EXPECT_TRUE(program.Started());
  BoxWatcher watcher(program.ProcessId(), keys);
  if (!arguments.empty()) {
    if (const HWND window = program.WaitForMainWindow()) run.title = WindowText(window);
  }
  run.exitCode = program.WaitForExit(60000);
  EXPECT_TRUE(watcher.WaitUntilQuiet());
  run.boxes = watcher.Seen();
  return run;
}

// The size of a saved JPEG; 0 by 0 when it cannot be read.
inline SIZE SavedSize(const std::string& path) {
  int width = 0, height = 0;
  const Pixels pixels = DecodeJpeg(ReadWholeFile(path), width, height);
  return pixels.empty() ? SIZE{0, 0} : SIZE{width, height};
}
