#pragma once
// The font of a control or a canvas: its attributes, and the system font made
// from them when first needed.

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>

#include "gdi/Color.h"
#include "gdi/Handles.h"

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

// A set of font styles.
class TFontStyles {
public:
  constexpr TFontStyles() = default;
  constexpr TFontStyles(std::initializer_list<TFontStyle> styles) {
    for (TFontStyle style : styles) bits_ |= Bit(style);
  }
  constexpr bool Contains(TFontStyle style) const { return (bits_ & Bit(style)) != 0; }
  constexpr void Include(TFontStyle style) { bits_ |= Bit(style); }
  constexpr bool operator==(TFontStyles other) const { return bits_ == other.bits_; }
  constexpr bool operator!=(TFontStyles other) const { return bits_ != other.bits_; }

private:
  static constexpr unsigned Bit(TFontStyle style) { return 1u << style; }
  unsigned bits_ = 0;
};

enum TFontPitch { fpDefault, fpVariable, fpFixed };

class TFont {
public:
  // Starts as the default font (ApplyDefaultFont).
  TFont();
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);
  // Negative: character height in pixels; positive: cell height.
  int Height() const { return height_; }
  void SetHeight(int height);
  // In points, at the screen's resolution.
  int Size() const;
  void SetSize(int points);
  BYTE Charset() const { return charset_; }
  void SetCharset(BYTE charset);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch pitch);

  // The system font, made on first need and again after each change; owned.
  HFONT Handle();
  // Takes over a system font and reads its attributes back (colour unchanged).
  void SetHandle(HFONT font);

  // Copies every attribute.
  void Assign(const TFont& source);

  // Runs after every change, while the previous system font still exists, so that
  // whoever has it selected can put it out before it is deleted.
  std::function<void()> OnChange;

private:
  template <class T>
  void Set(T& field, const T& value);
  void Changed(UniqueGdiObject<HFONT> next = UniqueGdiObject<HFONT>());

  std::string name_;
  int height_ = 0;
  BYTE charset_ = DEFAULT_CHARSET;
  TColor color_ = clWindowText;
  TFontStyles style_;
  TFontPitch pitch_ = fpDefault;
  UniqueGdiObject<HFONT> handle_;
};

// The character set of the system's ANSI code page (SHIFTJIS_CHARSET under 932).
BYTE SystemDefaultCharset();

// The font every control starts with: on a Shift-JIS system "ＭＳ Ｐゴシック" at
// 9 points, otherwise "MS Sans Serif" at 8 points; colour clWindowText.
void ApplyDefaultFont(TFont& font, BYTE systemCharset = SystemDefaultCharset());
