#pragma once
// TImage: the picture control. It is painted by its parent and draws its picture
// into the destination rectangle its flags decide.

#include "ui/GraphicControl.h"

class TImage : public TGraphicControl {
public:
  explicit TImage(TComponent* owner);
  const char* ClassName() const override { return "TImage"; }

  bool Stretch() const { return stretch_; }
  void SetStretch(bool value) { stretch_ = value; }
  bool Center() const { return center_; }
  void SetCenter(bool value) { center_ = value; }
  bool Proportional() const { return proportional_; }
  void SetProportional(bool value) { proportional_ = value; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value) { transparent_ = value; }
  bool IncrementalDisplay() const { return incrementalDisplay_; }
  void SetIncrementalDisplay(bool value) { incrementalDisplay_ = value; }

  bool SetProperty(const std::string& name, const LayoutValue& value) override;

private:
  bool stretch_ = false;
  bool center_ = false;
  bool proportional_ = false;
  bool transparent_ = false;
  bool incrementalDisplay_ = false;
};
