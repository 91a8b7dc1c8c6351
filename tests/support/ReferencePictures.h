#pragma once
// Committed test pictures and their references made by other tools (PPM files
// beside them, see each folder's make.sh), and how far a decode is from them.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "picture/bitmap/Bitmap.h"
#include "picture/core/Stream.h"
#include "picture/shrink/ShownPicture.h"
#include "tests/support/BitmapTestSupport.h"

namespace reference_pictures {

// A folder of tests/data, with its trailing backslash; the build places the
// data's path relative to the test program.
inline std::string DataFolder(const std::string& name) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string exe(path, length);
  return exe.substr(0, exe.find_last_of('\\')) + "\\" MIROKATE_TEST_DATA_FROM_EXE "\\" + name + "\\";
}

// A whole data file's bytes.
inline std::vector<uint8_t> FileBytes(const std::string& path) {
  TFileStream file(path, TFileStream::kOpenRead);
  std::vector<uint8_t> bytes(static_cast<size_t>(file.Size()));
  file.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  return bytes;
}

struct Picture {
  int width = 0, height = 0;
  std::vector<DWORD> pixels;  // 0x00RRGGBB, top row first
  DWORD At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

inline Picture ReadPpm(const std::string& path) {
  TFileStream file(path, TFileStream::kOpenRead);
  std::string bytes(static_cast<size_t>(file.Size()), '\0');
  file.ReadBuffer(&bytes[0], static_cast<int32_t>(bytes.size()));
  Picture picture;
  int maximum = 0, consumed = 0;
  std::sscanf(bytes.c_str(), "P6 %d %d %d%n", &picture.width, &picture.height, &maximum, &consumed);
  // References are 8 bits a channel; any other depth compares as no picture.
  if (maximum != 255) return Picture{};
  for (size_t at = static_cast<size_t>(consumed) + 1; at + 2 < bytes.size(); at += 3) {
    const auto byte = [&](size_t i) { return static_cast<DWORD>(static_cast<uint8_t>(bytes[i])); };
    picture.pixels.push_back(byte(at) << 16 | byte(at + 1) << 8 | byte(at + 2));
  }
  return picture;
}

inline Picture Decoded(TBitmap& bitmap) {
  return Picture{bitmap.Width(), bitmap.Height(), bitmap_test::PixelsOf(bitmap)};
}

// The pixels shown for the graphic at width by height: those prepared for it
// (shrunk, or converted to sRGB) when it needs them, its own otherwise.
inline Picture Shown(TGraphic& graphic, int width, int height) {
  const std::unique_ptr<TBitmap> prepared = PreparedForShowing(graphic, width, height);
  if (prepared != nullptr) return Decoded(*prepared);
  return Decoded(*PixelsForShowing(graphic, width, height));
}

inline int Channel(DWORD pixel, int shift) { return static_cast<int>(pixel >> shift & 0xFF); }

// The mean (or, with `largest`, the largest) absolute channel difference; huge
// when the sizes differ.
inline double Difference(const Picture& a, const Picture& b, bool largest = false) {
  if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size() || a.pixels.empty())
    return 1e9;
  double sum = 0, most = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    for (int shift : {0, 8, 16}) {
      const int d = std::abs(Channel(a.pixels[i], shift) - Channel(b.pixels[i], shift));
      sum += d;
      if (d > most) most = d;
    }
  }
  return largest ? most : sum / (static_cast<double>(a.pixels.size()) * 3);
}
inline double MeanDifference(const Picture& a, const Picture& b) { return Difference(a, b); }
inline double LargestDifference(const Picture& a, const Picture& b) { return Difference(a, b, true); }

}  // namespace reference_pictures
