#include "gdi/Font.h"

#include <cwchar>

#include "gdi/ScreenMetrics.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "text/Utf16.h"

TFont::TFont() { ApplyDefaultFont(*this); }

template <class T>
void TFont::Set(T& field, const T& value) {
  if (field == value) return;
  field = value;
  Changed();
}

void TFont::SetName(const std::string& name) { Set(name_, name); }
void TFont::SetHeight(int height) { Set(height_, height); }
int TFont::Size() const { return -MulDiv(height_, 72, ScreenPixelsPerInch()); }
void TFont::SetSize(int points) { SetHeight(-MulDiv(points, ScreenPixelsPerInch(), 72)); }
void TFont::SetCharset(BYTE charset) { Set(charset_, charset); }
void TFont::SetColor(TColor color) { Set(color_, color); }
void TFont::SetStyle(TFontStyles style) { Set(style_, style); }
void TFont::SetPitch(TFontPitch pitch) { Set(pitch_, pitch); }

void TFont::Changed(UniqueGdiObject<HFONT> next) {
  // The old font lives until the handlers have run (see OnChange).
  UniqueGdiObject<HFONT> previous = std::move(handle_);
  handle_ = std::move(next);
  if (OnChange) OnChange();
}

HFONT TFont::Handle() {
  if (!handle_) {
    LOGFONTW log{};
    log.lfHeight = height_;
    log.lfWeight = style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    log.lfItalic = style_.Contains(fsItalic);
    log.lfUnderline = style_.Contains(fsUnderline);
    log.lfStrikeOut = style_.Contains(fsStrikeOut);
    log.lfCharSet = charset_;
    log.lfOutPrecision = OUT_DEFAULT_PRECIS;
    log.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    log.lfQuality = DEFAULT_QUALITY;
    log.lfPitchAndFamily = pitch_ == fpVariable ? VARIABLE_PITCH : pitch_ == fpFixed ? FIXED_PITCH : DEFAULT_PITCH;
    const std::wstring face = Wide(name_);
    face.copy(log.lfFaceName, LF_FACESIZE - 1);
    handle_.reset(CreateFontIndirectW(&log));
    if (!handle_) throw EOutOfResources(ResText(IDS_OUT_OF_RESOURCES));
  }
  return handle_.get();
}

void TFont::SetHandle(HFONT font) {
  UniqueGdiObject<HFONT> owned(font);
  LOGFONTW log{};
  if (font != nullptr && GetObjectW(font, sizeof log, &log) != 0) {
    name_ = Utf8(log.lfFaceName, wcsnlen(log.lfFaceName, LF_FACESIZE));
    height_ = log.lfHeight;
    charset_ = log.lfCharSet;
    style_ = TFontStyles();
    if (log.lfWeight >= FW_BOLD) style_.Include(fsBold);
    if (log.lfItalic) style_.Include(fsItalic);
    if (log.lfUnderline) style_.Include(fsUnderline);
    if (log.lfStrikeOut) style_.Include(fsStrikeOut);
    const int pitch = log.lfPitchAndFamily & 3;
    pitch_ = pitch == VARIABLE_PITCH ? fpVariable : pitch == FIXED_PITCH ? fpFixed : fpDefault;
  }
  Changed(std::move(owned));
}

void TFont::Assign(const TFont& source) {
  if (&source == this) return;
  if (name_ == source.name_ && height_ == source.height_ && charset_ == source.charset_ &&
      color_ == source.color_ && style_ == source.style_ && pitch_ == source.pitch_) {
    return;
  }
  name_ = source.name_;
  height_ = source.height_;
  charset_ = source.charset_;
  color_ = source.color_;
  style_ = source.style_;
  pitch_ = source.pitch_;
  Changed();
}

BYTE SystemDefaultCharset() {
  CHARSETINFO info{};
  if (TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<UINT_PTR>(GetACP())), &info, TCI_SRCCODEPAGE)) {
    return static_cast<BYTE>(info.ciCharset);
  }
  return DEFAULT_CHARSET;
}

void ApplyDefaultFont(TFont& font, BYTE systemCharset) {
  const int ppi = ScreenPixelsPerInch();
  if (systemCharset == SHIFTJIS_CHARSET) {
    font.SetName("ＭＳ Ｐゴシック");
    font.SetHeight(-MulDiv(9, ppi, 72));
    font.SetCharset(SHIFTJIS_CHARSET);
  } else {
    font.SetName("MS Sans Serif");
    font.SetHeight(-MulDiv(8, ppi, 72));
    font.SetCharset(DEFAULT_CHARSET);
  }
  font.SetColor(clWindowText);
  font.SetStyle(TFontStyles());
  font.SetPitch(fpDefault);
}
