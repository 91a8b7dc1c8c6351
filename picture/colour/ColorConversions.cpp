#include "picture/colour/ColorConversions.h"

#include <algorithm>
#include <atomic>
#include <future>
#include <utility>

#include "picture/colour/ColorConversion.h"
#include "picture/profile/ColorProfile.h"
#include "picture/core/Graphic.h"

// A conversion being made or made, and the profile it is for.
struct ColorConversions::Kept {
  std::string bytes;
  std::shared_future<std::shared_ptr<const ColorConversion>> conversion;
};

namespace {

using Future = std::shared_future<std::shared_ptr<const ColorConversion>>;

// Conversions kept, most recent first: a folder of photographs mostly shares one
// or two profiles.
constexpr size_t kKeptConversions = 4;
// A conversion takes some 20 ms under Wine; one at work for longer than this is a
// colour engine stuck on a profile, which the exit does not wait for.
constexpr std::chrono::milliseconds kExitBound(2000);

std::atomic<ColorConversions*> process{nullptr};

bool Ready(const Future& conversion) {
  return conversion.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

// Conversions already made are kept as plain values, so that the threads that
// made them are joined and give back their handles: a run of many pictures holds
// no more than the conversions still being made. Called with the lock held.
void SettleMade(std::vector<ColorConversions::Kept>& kept) {
  for (ColorConversions::Kept& entry : kept) {
    if (!Ready(entry.conversion)) continue;
    std::promise<std::shared_ptr<const ColorConversion>> made;
    made.set_value(entry.conversion.get());
    entry.conversion = made.get_future().share();
  }
}

// The kept conversion for the profile, begun with `launch` when there is none;
// most recent first. A profile the system could not use is kept too, so it is
// not tried again. Called with the lock held.
Future KeptFor(std::vector<ColorConversions::Kept>& kept, const std::shared_ptr<const ColorProfile>& profile,
               std::launch launch) {
  SettleMade(kept);
  for (size_t i = 0; i < kept.size(); ++i) {
    if (kept[i].bytes != profile->Bytes()) continue;
    std::rotate(kept.begin(), kept.begin() + static_cast<ptrdiff_t>(i), kept.begin() + static_cast<ptrdiff_t>(i) + 1);
    return kept.front().conversion;
  }
  auto conversion = std::async(launch, [profile] { return ColorConversion::Make(*profile); }).share();
  kept.insert(kept.begin(), ColorConversions::Kept{profile->Bytes(), conversion});
  if (kept.size() > kKeptConversions) kept.pop_back();
  return conversion;
}

}  // namespace

ColorConversions::ColorConversions() = default;

ColorConversions::~ColorConversions() = default;

void ColorConversions::Begin(const std::shared_ptr<const ColorProfile>& profile) noexcept {
  if (profile == nullptr) return;
  try {
    // The thread shares the profile, which it keeps alive while it works.
    CriticalSectionGuard guard(lock_);
    KeptFor(kept_, profile, std::launch::async);
  } catch (...) {
    // No thread: ToSrgb makes the conversion when it is needed.
  }
}

std::shared_ptr<const ColorConversion> ColorConversions::ToSrgb(const ColorProfile& profile) noexcept {
  try {
    // The profile is kept alive by the caller while this waits.
    const std::shared_ptr<const ColorProfile> borrowed(std::shared_ptr<const ColorProfile>(), &profile);
    Future pending;
    {
      CriticalSectionGuard guard(lock_);
      pending = KeptFor(kept_, borrowed, std::launch::deferred);
    }
    std::shared_ptr<const ColorConversion> conversion = pending.get();
    CriticalSectionGuard guard(lock_);
    SettleMade(kept_);
    return conversion;
  } catch (...) {
    // Out of memory or no thread: the picture is shown as stored.
    return nullptr;
  }
}

bool ColorConversions::Finish(std::chrono::milliseconds bound) noexcept {
  try {
    const bool bounded = bound != std::chrono::milliseconds::max();
    const auto deadline = std::chrono::steady_clock::now() + (bounded ? bound : std::chrono::milliseconds(0));
    std::vector<Future> pending;
    {
      CriticalSectionGuard guard(lock_);
      for (const Kept& entry : kept_) pending.push_back(entry.conversion);
    }
    bool finished = true;
    for (const Future& conversion : pending) {
      // A deferred one is made by the ToSrgb that asked for it, on its own thread.
      if (conversion.wait_for(std::chrono::seconds(0)) == std::future_status::deferred) continue;
      if (!bounded) conversion.wait();
      else if (conversion.wait_until(deadline) == std::future_status::timeout) finished = false;
    }
    CriticalSectionGuard guard(lock_);
    SettleMade(kept_);
    return finished;
  } catch (...) {
    // Out of memory: the threads end on their own.
    return false;
  }
}

void StartColorConversions() {
  if (process.load() == nullptr) process.store(new ColorConversions());
}

void StopColorConversions() noexcept {
  ColorConversions* cache = process.exchange(nullptr);
  if (cache == nullptr) return;
  // Destroying the cache joins its threads; one stuck past the bound is let go
  // with the cache, and ends with the process.
  if (cache->Finish(kExitBound)) delete cache;
}

void BeginConversionToSrgb(const TGraphic& graphic) noexcept {
  ColorConversions* cache = process.load();
  if (cache == nullptr) return;
  try {
    cache->Begin(graphic.ConvertedProfile());
  } catch (...) {
    // Out of memory: the conversion is made when it is needed.
  }
}

std::shared_ptr<const ColorConversion> ConversionToSrgb(const ColorProfile& profile) noexcept {
  if (ColorConversions* cache = process.load()) return cache->ToSrgb(profile);
  return ColorConversion::Make(profile);
}

void FinishConversionsToSrgb() noexcept {
  if (ColorConversions* cache = process.load()) cache->Finish(std::chrono::milliseconds::max());
}
