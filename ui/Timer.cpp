#include "ui/Timer.h"

#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "ui/Application.h"
#include "ui/LayoutValue.h"

namespace {

// Each timer has a window of its own, so one number serves them all.
constexpr UINT_PTR kTimerId = 1;

}  // namespace

TTimer::TTimer(TComponent* owner)
    : TComponent(owner), window_([this](UINT message, WPARAM wParam, LPARAM lParam) {
        return WindowProc(message, wParam, lParam);
      }) {}

TTimer::~TTimer() {
  *alive_ = false;
  enabled_ = false;
  UpdateTimer();  // cannot raise: a disabled timer asks for no platform timer
}

void TTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  onTimer_ = std::move(handler);
  UpdateTimer();
}

bool TTimer::SetProperty(const std::string& name, const LayoutValue& value) {
  if (name == "Enabled") {
    SetEnabled(value.AsBoolean());
  } else if (name == "Interval") {
    // The whole unsigned range, which is wider than a layout integer's.
    if (value.kind != LayoutValue::Kind::Integer || value.number < 0 || value.number > 0xFFFFFFFFLL) {
      throw EReadError(ResText(IDS_INVALID_PROPERTY_VALUE));
    }
    SetInterval(static_cast<unsigned>(value.number));
  } else {
    return TComponent::SetProperty(name, value);
  }
  return true;
}

bool TTimer::SetEvent(const std::string& name, TNotifyEvent handler) {
  if (name != "OnTimer") return TComponent::SetEvent(name, std::move(handler));
  SetOnTimer(std::move(handler));
  return true;
}

void TTimer::UpdateTimer() {
  KillTimer(window_.Handle(), kTimerId);
  if (interval_ != 0 && enabled_ && onTimer_) {
    if (SetTimer(window_.Handle(), kTimerId, interval_, nullptr) == 0) {
      throw EOutOfResources(ResText(IDS_NO_TIMERS));
    }
  }
}

LRESULT TTimer::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message != WM_TIMER) return window_.DefaultHandler(message, wParam, lParam);
  Tick();
  return 0;
}

void TTimer::Tick() noexcept {
  // The failure box's modal loop goes on dispatching this timer's ticks. A
  // handler that fails on every tick would open a box from each of them, nested
  // without end, so while one of its failures is shown the ticks pass unused.
  if (showingFailure_) return;
  const std::shared_ptr<bool> alive = alive_;
  // The handler may replace OnTimer (or destroy the timer) while it runs: it
  // runs from a copy, which lives until it returns.
  const TNotifyEvent handler = onTimer_;
  try {
    Fire(handler, this);
  } catch (...) {
    if (Application == nullptr) return;
    if (!*alive) {
      Application->HandleException(nullptr);
      return;
    }
    showingFailure_ = true;
    Application->HandleException(this);
    // The timer may have been destroyed while the box was open.
    if (*alive) showingFailure_ = false;
  }
}
