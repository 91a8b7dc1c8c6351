#pragma once
// An image control on a form, at the top left, as the image tests use it.

#include "ui/Form.h"
#include "ui/Image.h"

// The form owns the control.
inline TImage* PlaceImage(TForm& form, int width, int height) {
  auto* control = new TImage(&form);
  control->SetParent(&form);
  control->SetBounds(0, 0, width, height);
  return control;
}
