#include "ui/Image.h"

#include "ui/LayoutValue.h"

TImage::TImage(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 105, 105); }

bool TImage::SetProperty(const std::string& name, const LayoutValue& value) {
  if (name == "Stretch") {
    SetStretch(value.AsBoolean());
  } else if (name == "Center") {
    SetCenter(value.AsBoolean());
  } else if (name == "Proportional") {
    SetProportional(value.AsBoolean());
  } else if (name == "Transparent") {
    SetTransparent(value.AsBoolean());
  } else if (name == "IncrementalDisplay") {
    SetIncrementalDisplay(value.AsBoolean());
  } else {
    return TGraphicControl::SetProperty(name, value);
  }
  return true;
}
