#pragma once
// Whether a message loop blocks while it has nothing to do, judged from another
// thread by the CPU time the loop's thread uses.

#include <windows.h>

#include <chrono>
#include <cstdint>

// The CPU time a thread has used so far, in milliseconds.
inline double ThreadCpuMs(HANDLE thread) {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(thread, &created, &exited, &kernel, &user);
  const auto ticks = [](const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

// Waits until the loop of the thread that owns `window` has settled: it has
// answered a message sent to the window, and its thread has then used no CPU
// time for `quietMs`. Showing a window costs work (painting, activation) that
// takes longer on a busy machine, so a fixed pause could end before it does.
// False when the loop did not settle before the time-out: it never stops working.
inline bool WaitUntilLoopSettles(HANDLE thread, HWND window, DWORD quietMs = 300, DWORD timeoutMs = 15000) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result)) return false;
  double used = ThreadCpuMs(thread);
  auto quietSince = Clock::now();
  while (Clock::now() < deadline) {
    Sleep(50);
    const double now = ThreadCpuMs(thread);
    if (now != used) {
      used = now;
      quietSince = Clock::now();
    } else if (Clock::now() - quietSince >= std::chrono::milliseconds(quietMs)) {
      return true;
    }
  }
  return false;
}
