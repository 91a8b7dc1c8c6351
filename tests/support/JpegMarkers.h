#pragma once
// Reading a JPEG file's header segments, to check what a coder wrote.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace jpeg_markers {

using Bytes = std::vector<uint8_t>;

// One marker segment before the first scan: marker and body.
struct Segment {
  int marker;
  Bytes body;
};

inline std::vector<Segment> Segments(const Bytes& file) {
  std::vector<Segment> segments;
  size_t at = 2;
  while (at + 4 <= file.size() && file[at] == 0xFF) {
    const int marker = file[at + 1];
    const size_t length = static_cast<size_t>(file[at + 2] << 8 | file[at + 3]);
    if (at + 2 + length > file.size()) break;
    segments.push_back({marker, Bytes(file.begin() + static_cast<std::ptrdiff_t>(at + 4),
                                      file.begin() + static_cast<std::ptrdiff_t>(at + 2 + length))});
    if (marker == 0xDA) break;
    at += 2 + length;
  }
  return segments;
}

inline const Segment* Find(const std::vector<Segment>& segments, int marker) {
  for (const Segment& segment : segments) {
    if (segment.marker == marker) return &segment;
  }
  return nullptr;
}

// The first row of the luminance table in natural order: zigzag positions 0, 1,
// 5 and 6 of the first table (-1 when there is none).
inline std::vector<int> FirstLuminanceRow(const std::vector<Segment>& segments) {
  const Segment* tables = Find(segments, 0xDB);
  if (tables == nullptr || tables->body.size() < 65 || tables->body[0] != 0) return {-1};
  return {tables->body[1], tables->body[2], tables->body[6], tables->body[7]};
}

}  // namespace jpeg_markers
