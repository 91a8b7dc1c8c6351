#pragma once
// TImage: the picture control. Its parent paints it; it draws its picture into
// the destination rectangle its flags decide, and lends out the canvas of its
// bitmap. A picture shown smaller than its own size is resampled with a filter
// once per size, and later paints only copy that result.

#include <exception>
#include <memory>

#include "picture/Picture.h"
#include "ui/GraphicControl.h"

class TBitmap;

class TImage : public TGraphicControl {
public:
  explicit TImage(TComponent* owner);
  const char* ClassName() const override { return "TImage"; }

  TPicture& Picture() { return picture_; }
  // Copies the given picture into the control's own; none clears it.
  void SetPicture(const TPicture* picture) { picture_.CopyFrom(picture); }
  // The canvas of the picture's bitmap. An empty picture first gets a bitmap of
  // the control's size; a picture of another kind raises EInvalidOperation.
  TCanvas& Canvas();

  bool Stretch() const { return stretch_; }
  void SetStretch(bool value) { SetFlag(stretch_, value); }
  bool Center() const { return center_; }
  void SetCenter(bool value) { SetFlag(center_, value); }
  bool Proportional() const { return proportional_; }
  void SetProportional(bool value) { SetFlag(proportional_, value); }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value) { SetFlag(transparent_, value); }
  bool IncrementalDisplay() const { return incrementalDisplay_; }
  void SetIncrementalDisplay(bool value) { incrementalDisplay_ = value; }

  // Where the picture is drawn inside the control.
  RECT DestRect() const;

  // Decodes the picture and, when it is shown smaller than its size, resamples it
  // for the destination rectangle now, so that painting only copies pixels. Done
  // again only when the picture or the rectangle's size changes. Raises what
  // decoding or resampling raises; the control then counts as failed to draw.
  void PreparePicture();
  // True when preparing or painting the current picture failed: what the control
  // shows is not the picture.
  bool DrawFailed() const;
  // Why painting the current picture failed, when it did. A paint never shows the
  // failure itself: paints come with every move, and each would show it again;
  // the owner tells it once. Nothing when only the preparation failed, which
  // raised to its caller.
  std::exception_ptr PaintFailure() const;

  bool SetProperty(const std::string& name, const LayoutValue& value) override;

  TProgressEvent OnProgress;

protected:
  void Paint() override;
  // With AutoSize on, the picture decides the size.
  bool CanResize(int& width, int& height) override;

private:
  void SetFlag(bool& flag, bool value);
  void PictureChanged();
  void CheckPalette(TGraphic& graphic);
  void DrawPicture(TCanvas& canvas, const RECT& dest);

  TPicture picture_;
  bool stretch_ = false;
  bool center_ = false;
  bool proportional_ = false;
  bool transparent_ = false;
  bool incrementalDisplay_ = false;
  bool drawing_ = false;
  // The picture's pixels as shown (resampled to the destination size when shown
  // smaller, converted to sRGB when it has another profile), and the size they
  // were prepared for; none when the plain stretch serves.
  std::unique_ptr<TBitmap> prepared_;
  int preparedWidth_ = 0;
  int preparedHeight_ = 0;
  // The graphic whose preparation or painting failed, until another one comes;
  // it is not drawn again.
  const TGraphic* failedGraphic_ = nullptr;
  std::exception_ptr paintFailure_;
};
