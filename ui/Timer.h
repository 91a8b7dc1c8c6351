#pragma once
// The timer component: turns the platform's window timer into a periodic event.
// Each timer has a hidden window of its own, so its ticks arrive as ordinary
// messages of the thread's message loop and never interrupt other code.

#include <windows.h>

#include <memory>
#include <string>

#include "ui/Component.h"
#include "ui/Events.h"
#include "ui/UtilityWindow.h"

class TTimer : public TComponent {
public:
  // Enabled, with an interval of 1000 ms and no handler, so not yet running.
  explicit TTimer(TComponent* owner);
  // Stops the platform timer and destroys the window.
  ~TTimer() override;

  // The timer runs while it is enabled, its interval is not 0 and it has a
  // handler. Each change restarts the countdown from the full interval; setting
  // Enabled or Interval to its current value changes nothing. A refused platform
  // timer raises EOutOfResources.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned milliseconds);
  const TNotifyEvent& OnTimer() const { return onTimer_; }
  void SetOnTimer(TNotifyEvent handler);

  // Layout reading: Enabled, Interval and OnTimer.
  bool SetProperty(const std::string& name, const LayoutValue& value) override;
  bool SetEvent(const std::string& name, TNotifyEvent handler) override;

  // The hidden window that receives the ticks.
  HWND Handle() const { return window_.Handle(); }

private:
  void UpdateTimer();
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  void Tick() noexcept;

  bool enabled_ = true;
  unsigned interval_ = 1000;
  TNotifyEvent onTimer_;
  // Set while a failure of this timer's handler is being shown.
  bool showingFailure_ = false;
  // False once the timer is destroyed; a tick whose handler destroys the timer
  // checks it before touching the object again.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  UtilityWindow window_;
};
