#include "gdi/Brush.h"

#include "resources/StringIds.h"
#include "text/Exceptions.h"

template <class T>
void TBrush::Set(T& field, T value) {
  if (field == value) return;
  field = value;
  Changed();
}

void TBrush::SetColor(TColor color) { Set(color_, color); }
void TBrush::SetStyle(TBrushStyle style) { Set(style_, style); }

void TBrush::Changed() {
  // The old brush lives until the handlers have run (see OnChange).
  UniqueGdiObject<HBRUSH> previous = std::move(handle_);
  if (OnChange) OnChange();
}

HBRUSH TBrush::Handle() {
  if (style_ == bsClear) return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  if (!handle_) {
    LOGBRUSH log{BS_SOLID, ColorToRGB(color_), 0};
    if (style_ != bsSolid) {
      // The hatched styles are in the order of the HS_ values.
      log.lbStyle = BS_HATCHED;
      log.lbHatch = static_cast<ULONG_PTR>(style_ - bsHorizontal) + HS_HORIZONTAL;
    }
    handle_.reset(CreateBrushIndirect(&log));
    if (!handle_) throw EOutOfResources(ResText(IDS_OUT_OF_RESOURCES));
  }
  return handle_.get();
}

void TBrush::Assign(const TBrush& source) {
  if (&source == this) return;
  if (color_ == source.color_ && style_ == source.style_) return;
  color_ = source.color_;
  style_ = source.style_;
  Changed();
}
