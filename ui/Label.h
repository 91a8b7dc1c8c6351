#pragma once
// TLabel: a text painted by its parent. It fills its rectangle with its colour
// (the parent's, unless set) and draws its caption left-aligned in its font,
// with tabs expanded, optionally wrapped at word breaks, and with "&" marking
// the accelerator letter ("&&" shows one "&").

#include <string>

#include "ui/GraphicControl.h"

class TLabel : public TGraphicControl {
public:
  explicit TLabel(TComponent* owner);
  const char* ClassName() const override { return "TLabel"; }

  void SetCaption(const std::string& text) override;
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);

  bool SetProperty(const std::string& name, const LayoutValue& value) override;

protected:
  void Paint() override;

private:
  bool wordWrap_ = false;
};
