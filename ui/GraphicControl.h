#pragma once
// TGraphicControl: a control without a window of its own. Its parent paints it
// through the control's canvas, which draws inside the control's rectangle.

#include "ui/Control.h"
#include "ui/ControlCanvas.h"

class TGraphicControl : public TControl {
public:
  explicit TGraphicControl(TComponent* owner);
  ~TGraphicControl() override;
  const char* ClassName() const override { return "TGraphicControl"; }

  TControlCanvas& Canvas() { return canvas_; }

protected:
  void WndProc(TMessage& message) override;
  // Draws the control on Canvas(), whose (0, 0) is the control's corner.
  virtual void Paint() {}

private:
  TControlCanvas canvas_;
};
