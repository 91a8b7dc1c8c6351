#include "ui/Image.h"

#include "gdi/Handles.h"
#include "picture/bitmap/Bitmap.h"
#include "picture/formats/FileFormats.h"
#include "picture/formats/Icon.h"
#include "picture/shrink/ShownPicture.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "ui/LayoutValue.h"
#include "ui/WinControl.h"

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 105, 105);
  picture_.OnChange = [this](TPersistent*) { PictureChanged(); };
  picture_.OnProgress = [this](TPersistent* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow,
                               RECT& rect, std::string& message) {
    if (incrementalDisplay_ && redrawNow) {
      Invalidate();
      if (Parent() != nullptr && Parent()->HandleAllocated()) UpdateWindow(Parent()->Handle());
    }
    if (OnProgress) OnProgress(sender, stage, percentDone, redrawNow, rect, message);
  };
}

TCanvas& TImage::Canvas() {
  if (picture_.CurrentGraphic() == nullptr) {
    TBitmap bitmap;
    bitmap.SetWidth(Width());
    bitmap.SetHeight(Height());
    picture_.SetCurrentGraphic(&bitmap);
  }
  if (auto* bitmap = dynamic_cast<TBitmap*>(picture_.CurrentGraphic())) return bitmap->Canvas();
  throw EInvalidOperation(ResText(IDS_IMAGE_NEEDS_BITMAP));
}

RECT TImage::DestRect() const {
  const int pictureWidth = picture_.Width();
  const int pictureHeight = picture_.Height();
  const int clientWidth = Width();
  const int clientHeight = Height();
  int w = pictureWidth;
  int h = pictureHeight;
  const bool scaled =
      stretch_ || (proportional_ && (pictureWidth > clientWidth || pictureHeight > clientHeight));
  if (scaled) {
    if (!proportional_) {
      w = clientWidth;
      h = clientHeight;
    } else if (pictureWidth > 0 && pictureHeight > 0) {
      const double aspect = static_cast<double>(pictureWidth) / pictureHeight;
      if (pictureWidth > pictureHeight) {
        w = clientWidth;
        h = static_cast<int>(clientWidth / aspect);
        if (h > clientHeight) {
          h = clientHeight;
          w = static_cast<int>(clientHeight * aspect);
        }
      } else {
        h = clientHeight;
        w = static_cast<int>(clientHeight * aspect);
        if (w > clientWidth) {
          w = clientWidth;
          h = static_cast<int>(clientWidth / aspect);
        }
      }
    }
  }
  RECT rect{0, 0, w, h};
  if (center_) OffsetRect(&rect, (clientWidth - w) / 2, (clientHeight - h) / 2);
  return rect;
}

void TImage::Paint() {
  if (DrawFailed()) return;
  const ScopedValue<bool> drawing(drawing_, true);
  const RECT dest = DestRect();
  try {
    DrawPicture(TGraphicControl::Canvas(), dest);
  } catch (...) {
    failedGraphic_ = picture_.CurrentGraphic();
    paintFailure_ = std::current_exception();
  }
}

void TImage::DrawPicture(TCanvas& canvas, const RECT& dest) {
  TGraphic* graphic = picture_.CurrentGraphic();
  const int width = dest.right - dest.left;
  const int height = dest.bottom - dest.top;
  if (graphic == nullptr || width <= 0 || height <= 0) {
    canvas.StretchDraw(dest, graphic);
    return;
  }
  PreparePicture();
  if (prepared_ != nullptr) {
    canvas.StretchDraw(dest, prepared_.get());
    return;
  }
  // Enlarged (or at its own size) the picture keeps the plain stretch; one with a
  // profile other than sRGB is stretched from its converted copy above.
  TBitmap* pixels = PixelsForShowing(*graphic, width, height);
  canvas.StretchDraw(dest, pixels != nullptr ? static_cast<TGraphic*>(pixels) : graphic);
}

void TImage::PreparePicture() {
  TGraphic* graphic = picture_.CurrentGraphic();
  if (graphic == nullptr) return;
  const RECT dest = DestRect();
  const int width = dest.right - dest.left;
  const int height = dest.bottom - dest.top;
  if (width <= 0 || height <= 0) return;
  if (prepared_ != nullptr && preparedWidth_ == width && preparedHeight_ == height) return;
  prepared_.reset();
  try {
    // Decoding may report a change of the picture, which drops an earlier result.
    prepared_ = PreparedForShowing(*graphic, width, height);
    preparedWidth_ = width;
    preparedHeight_ = height;
  } catch (...) {
    failedGraphic_ = graphic;
    throw;
  }
}

bool TImage::DrawFailed() const {
  return failedGraphic_ != nullptr && failedGraphic_ == picture_.CurrentGraphic();
}

std::exception_ptr TImage::PaintFailure() const { return DrawFailed() ? paintFailure_ : nullptr; }

bool TImage::CanResize(int& width, int& height) {
  if (AutoSize()) {
    width = picture_.Width();
    height = picture_.Height();
  }
  return true;
}

void TImage::SetFlag(bool& flag, bool value) {
  if (flag == value) return;
  flag = value;
  PictureChanged();
}

void TImage::PictureChanged() {
  prepared_.reset();
  if (picture_.CurrentGraphic() != failedGraphic_) {
    failedGraphic_ = nullptr;
    paintFailure_ = nullptr;
  }
  if (AutoSize() && picture_.Width() > 0 && picture_.Height() > 0) {
    SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
  }
  TGraphic* graphic = picture_.CurrentGraphic();
  bool opaque = false;
  if (graphic != nullptr) {
    // Icons and metafiles keep their own transparency.
    const TGraphicClass& kind = graphic->ClassType();
    if (!kind.InheritsFrom(TIcon::StaticClass()) && !kind.InheritsFrom(TMetafile::StaticClass())) {
      graphic->SetTransparent(transparent_);
    }
    const RECT dest = DestRect();
    opaque = !graphic->Transparent() && dest.left == 0 && dest.top == 0 && dest.right == Width() &&
             dest.bottom == Height();
    CheckPalette(*graphic);
  }
  SetControlStyle(opaque ? (ControlStyle() | csOpaque) : (ControlStyle() & ~csOpaque));
  if (!drawing_) Invalidate();
}

// A picture with a palette of its own asks its window to realise it again.
void TImage::CheckPalette(TGraphic& graphic) {
  if (!Visible() || !graphic.PaletteModified()) return;
  if (graphic.Palette() != nullptr) {
    TWinControl* window = Parent();
    while (window != nullptr && window->Parent() != nullptr) window = window->Parent();
    if (window != nullptr && window->HandleAllocated() && GetActiveWindow() == window->Handle()) {
      if (drawing_) {
        SendMessageW(window->Handle(), WM_QUERYNEWPALETTE, 0, 0);
      } else {
        PostMessageW(window->Handle(), WM_QUERYNEWPALETTE, 0, 0);
      }
      if (drawing_) Invalidate();
    }
  }
  graphic.SetPaletteModified(false);
}

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
