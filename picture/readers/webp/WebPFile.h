#pragma once
// A WebP file's bytes, held in memory as the decoder reads them, and what its
// container states, read once through the library's demuxer: the canvas size,
// whether it is animated or has transparent parts, its orientation and its
// colour profile.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "text/FilePath.h"

class ColorProfile;

class TWebPFile {
public:
  // Takes the file's bytes; `file` names it in messages (empty for bytes of no
  // file). Raises EInvalidGraphic naming the file and the format when the bytes
  // are no sound WebP container, EOutOfMemory for a canvas over 2^30 pixels.
  TWebPFile(std::vector<uint8_t> bytes, const FilePath& file);

  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  const FilePath& File() const { return file_; }
  // The canvas as stored.
  SIZE Stored() const { return stored_; }
  bool Animated() const { return animated_; }
  bool HasAlpha() const { return hasAlpha_; }
  // The Exif orientation of the EXIF chunk, 1 to 8; 1 when there is none.
  int Orientation() const { return orientation_; }
  // The ICCP chunk's profile; none for sRGB, for none and for an unsound one.
  const std::shared_ptr<const ColorProfile>& Profile() const { return profile_; }

  // Raises EInvalidGraphic naming the file and the format.
  [[noreturn]] void RaiseDamaged() const;

private:
  void ReadFeatures();

  std::vector<uint8_t> bytes_;
  FilePath file_;
  SIZE stored_{};
  bool animated_ = false;
  bool hasAlpha_ = false;
  int orientation_ = 1;
  std::shared_ptr<const ColorProfile> profile_;
};
