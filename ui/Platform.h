#pragma once
// The window layer's part of the runtime around the program's own code. The
// program's entry (app/main.cpp) starts each layer's part itself, lowest first.

// Makes the out-of-memory failure, the screen object (which keeps the screen's
// metrics) and the application object with its window; both objects go at
// process exit, after the application's own exit step.
void StartWindowLayer();

class EOutOfMemory;
// Made once at start-up, so reporting exhausted memory needs no memory.
const EOutOfMemory& OutOfMemoryFailure();
