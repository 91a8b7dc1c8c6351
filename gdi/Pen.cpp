#include "gdi/Pen.h"

#include "resources/StringIds.h"
#include "text/Exceptions.h"

int PenModeToRop2(TPenMode mode) {
  static const int kRop2[] = {
      R2_BLACK,       R2_WHITE,       R2_NOP,     R2_NOT,        R2_COPYPEN, R2_NOTCOPYPEN,
      R2_MERGEPENNOT, R2_MASKPENNOT,  R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN, R2_NOTMERGEPEN,
      R2_MASKPEN,     R2_NOTMASKPEN,  R2_XORPEN,  R2_NOTXORPEN};
  return kRop2[mode];
}

template <class T>
void TPen::Set(T& field, T value) {
  if (field == value) return;
  field = value;
  Changed();
}

void TPen::SetColor(TColor color) { Set(color_, color); }
void TPen::SetWidth(int width) { Set(width_, width); }
void TPen::SetStyle(TPenStyle style) { Set(style_, style); }
void TPen::SetMode(TPenMode mode) { Set(mode_, mode); }

void TPen::Changed() {
  // The old pen lives until the handlers have run (see OnChange).
  UniqueGdiObject<HPEN> previous = std::move(handle_);
  if (OnChange) OnChange();
}

HPEN TPen::Handle() {
  if (!handle_) {
    // The pen styles are in the order of the PS_ values.
    LOGPEN log{static_cast<UINT>(style_), POINT{width_, 0}, ColorToRGB(color_)};
    handle_.reset(CreatePenIndirect(&log));
    if (!handle_) throw EOutOfResources(ResText(IDS_OUT_OF_RESOURCES));
  }
  return handle_.get();
}

void TPen::Assign(const TPen& source) {
  if (&source == this) return;
  if (color_ == source.color_ && width_ == source.width_ && style_ == source.style_ && mode_ == source.mode_) return;
  color_ = source.color_;
  width_ = source.width_;
  style_ = source.style_;
  mode_ = source.mode_;
  Changed();
}
