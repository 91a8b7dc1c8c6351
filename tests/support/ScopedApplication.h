#pragma once
// A fresh application object for one test, standing in for the process-wide one.

#include <memory>

#include "ui/Application.h"

class ScopedApplication {
public:
  ScopedApplication() : saved_(Application), app_(std::make_unique<TApplication>()) { Application = app_.get(); }
  ~ScopedApplication() {
    app_.reset();
    Application = saved_;
  }
  TApplication& operator*() const { return *app_; }
  TApplication* operator->() const { return app_.get(); }

private:
  TApplication* saved_;
  std::unique_ptr<TApplication> app_;
};

// Handles the messages already waiting, without ever blocking.
inline void PumpWaiting(TApplication& app) {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) app.HandleMessage();
}
