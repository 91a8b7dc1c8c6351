#pragma once
// Steps the window layer runs after every window message it handles, in the
// order they were added. The layers below the window layer add their own (the
// bitmaps give back idle memory contexts), so that the window layer need not know
// who holds what.

using AfterMessageStep = void (*)();

// Adds a step. Steps are added while the program starts, before any window.
void AddAfterMessageStep(AfterMessageStep step);
// Runs every step, in the order they were added.
void RunAfterMessageSteps();
