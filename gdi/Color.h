#pragma once
// Colours: with the top bit set a system colour named by the low byte, otherwise
// 0x00BBGGRR.

#include <windows.h>

#include <cstdint>

using TColor = uint32_t;

constexpr TColor clBlack = 0x00000000;
constexpr TColor clWhite = 0x00FFFFFF;
constexpr TColor clBtnFace = 0x80000000 | COLOR_BTNFACE;
constexpr TColor clWindow = 0x80000000 | COLOR_WINDOW;
constexpr TColor clWindowText = 0x80000000 | COLOR_WINDOWTEXT;

inline COLORREF ColorToRGB(TColor color) {
  return (color & 0x80000000u) != 0 ? GetSysColor(static_cast<int>(color & 0xFF)) : color;
}
