#include "picture/formats/Icon.h"

#include "gdi/Canvas.h"
#include "gdi/Handles.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

[[noreturn]] void NoIconFiles() { throw EInvalidGraphic(ResFormat(IDS_UNKNOWN_EXTENSION, {"ico"})); }

std::unique_ptr<TGraphic> MakeIconFromFile() { NoIconFiles(); }

// Constant-initialised, so the registry may name it from any module's start-up.
const TGraphicClass kIconClass{"TIcon", nullptr, &MakeIconFromFile};

// The icon's size from its bitmaps: the colour bitmap, or for a monochrome icon
// the upper half of its mask. The system's icon size when the icon tells nothing.
SIZE IconSize(HICON icon) {
  SIZE size{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return size;
  // GetIconInfo hands out copies of both bitmaps, which are ours to delete.
  const UniqueGdiObject<HBITMAP> mask(info.hbmMask);
  const UniqueGdiObject<HBITMAP> color(info.hbmColor);
  BITMAP bitmap{};
  if (color && GetObjectA(color.get(), sizeof bitmap, &bitmap) != 0) {
    size = SIZE{bitmap.bmWidth, bitmap.bmHeight};
  } else if (mask && GetObjectA(mask.get(), sizeof bitmap, &bitmap) != 0) {
    size = SIZE{bitmap.bmWidth, bitmap.bmHeight / 2};
  }
  return size;
}

}  // namespace

TIcon::TIcon() { SetTransparent(true); }

TIcon::TIcon(HICON shared) : TIcon() { SetHandle(shared); }

const TGraphicClass& TIcon::StaticClass() { return kIconClass; }

void TIcon::SetHandle(HICON shared) {
  icon_ = shared;
  const SIZE size = shared != nullptr ? IconSize(shared) : SIZE{0, 0};
  width_ = size.cx;
  height_ = size.cy;
  NotifyChanged(this);
}

void TIcon::CopyFrom(const TPersistent* source) {
  if (source == nullptr) {
    SetHandle(nullptr);
  } else if (const auto* icon = dynamic_cast<const TIcon*>(source)) {
    SetHandle(icon->icon_);
  } else {
    source->CopyTo(*this);
  }
}

void TIcon::DrawInto(TCanvas& canvas, const RECT& rect) {
  if (icon_ == nullptr) return;
  DrawIconEx(canvas.Handle(), rect.left, rect.top, icon_, rect.right - rect.left, rect.bottom - rect.top, 0,
             nullptr, DI_NORMAL);
}

void TIcon::SetWidth(int) { throw EInvalidGraphicOperation(ResText(IDS_ICON_CANNOT_RESIZE)); }
void TIcon::SetHeight(int) { throw EInvalidGraphicOperation(ResText(IDS_ICON_CANNOT_RESIZE)); }
void TIcon::LoadStream(TStream&) { NoIconFiles(); }
void TIcon::SaveStream(TStream&) { NoIconFiles(); }
