#include "ui/Sound.h"

#include <windows.h>

namespace {
int beeps = 0;
}  // namespace

void DefaultBeep() {
  ++beeps;
  MessageBeep(0);
}

int DefaultBeepsSoFar() { return beeps; }
