#pragma once
// A list of canvases that every thread shares: all canvases, or those holding a
// device context of some kind. Its lock is a critical section, which its holder
// may enter again, so a canvas that gives back its context while the list is
// walked can take itself out of it.

#include <algorithm>
#include <vector>

#include "gdi/Handles.h"

template <class Canvas>
class CanvasList {
public:
  void Add(Canvas* canvas) {
    CriticalSectionGuard guard(lock_);
    canvases_.push_back(canvas);
  }
  void Remove(Canvas* canvas) {
    CriticalSectionGuard guard(lock_);
    canvases_.erase(std::remove(canvases_.begin(), canvases_.end(), canvas), canvases_.end());
  }
  size_t Count() {
    CriticalSectionGuard guard(lock_);
    return canvases_.size();
  }
  // Held by steps whose parts must see the list unchanged by other threads.
  CriticalSection& Lock() { return lock_; }

  // Each canvas in the order added; `step` leaves the list as it is.
  template <class Step>
  void ForEach(Step step) {
    CriticalSectionGuard guard(lock_);
    for (Canvas* canvas : canvases_) step(canvas);
  }
  // Each canvas, the last added first; `step` may take canvases out.
  template <class Step>
  void ForEachNewestFirst(Step step) {
    CriticalSectionGuard guard(lock_);
    for (size_t i = canvases_.size(); i-- > 0;) {
      if (i < canvases_.size()) step(canvases_[i]);
    }
  }
  // Canvases in the order added until `step` returns true; only that last step
  // may take canvases out.
  template <class Step>
  void UntilFirst(Step step) {
    CriticalSectionGuard guard(lock_);
    for (Canvas* canvas : canvases_) {
      if (step(canvas)) return;
    }
  }

private:
  CriticalSection lock_;
  std::vector<Canvas*> canvases_;
};
