#pragma once
// What a process holds, counted from outside it (or from inside, given
// GetCurrentProcess()), the same on Windows and under Wine: the benchmarks that
// look for leaks compare these over a run.

#include <windows.h>

// The handles the process holds; -1 when they cannot be counted.
int HandleCount(HANDLE process);
// The GDI objects the process holds; -1 when they cannot be counted. The process
// handle needs query and read access (a handle from CreateProcess has both).
int GdiObjectCount(HANDLE process);
