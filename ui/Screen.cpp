#include "ui/Screen.h"

#include <algorithm>

TScreen* Screen = nullptr;

TScreen::TScreen() { KeepScreenMetrics(); }

TScreen::~TScreen() { ForgetScreenMetrics(); }

void TScreen::AddForm(TCustomForm* form) { forms_.push_back(form); }

void TScreen::RemoveForm(TCustomForm* form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
  if (activeForm_ == form) activeForm_ = nullptr;
}
