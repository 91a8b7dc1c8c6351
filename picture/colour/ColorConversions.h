#pragma once
// The process's conversions to sRGB, kept by profile, and the threads that make
// them. A loaded picture's conversion is begun in one place, as soon as the
// picture is opened (its pixels are decoded later), so that the system's slow
// part runs meanwhile; whoever needs it then waits for it. The program makes one
// cache among its start-up objects and ends it at a stated point before exit,
// waiting a bounded time for threads still at work.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "gdi/Handles.h"

class ColorConversion;
class ColorProfile;
class TGraphic;

class ColorConversions {
public:
  ColorConversions();
  // Waits for every conversion still being made: call Finish first to bound it.
  ~ColorConversions();
  ColorConversions(const ColorConversions&) = delete;
  ColorConversions& operator=(const ColorConversions&) = delete;

  // Begins making the conversion on another thread; nothing for none or for a
  // conversion already made or begun. Never raises.
  void Begin(const std::shared_ptr<const ColorProfile>& profile) noexcept;
  // The conversion of the profile's colours to sRGB, made once (here, when it was
  // not begun); none when the system's colour management cannot make it. Never raises.
  std::shared_ptr<const ColorConversion> ToSrgb(const ColorProfile& profile) noexcept;
  // Waits at most `bound` for the conversions being made, and lets the threads
  // that made them end; true when none is left at work.
  bool Finish(std::chrono::milliseconds bound) noexcept;

  struct Kept;

private:
  CriticalSection lock_;
  // Most recent first.
  std::vector<Kept> kept_;
};

// Makes the process's cache; before it, and after StopColorConversions,
// conversions are made where they are asked for and not kept.
void StartColorConversions();
// Ends the process's cache: waits a bounded time for conversions still being
// made, then lets it go. One still at work after the bound is left to the end of
// the process rather than holding the exit.
void StopColorConversions() noexcept;

// Through the process's cache, when there is one.
void BeginConversionToSrgb(const TGraphic& graphic) noexcept;
std::shared_ptr<const ColorConversion> ConversionToSrgb(const ColorProfile& profile) noexcept;
// Waits, without bound, for the conversions being made; afterwards the process
// holds no handle for their threads.
void FinishConversionsToSrgb() noexcept;
