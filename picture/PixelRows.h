#pragma once
// Rows of blue-green-red pixels, top first: what the resampler and the encoder
// read, whether the pixels sit in a bitmap or come out of a decoder a strip at a
// time.

#include <cstdint>

class PixelRows {
public:
  virtual ~PixelRows() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Row y, 0 being the top: Width() * 3 bytes of blue, green and red. The bytes
  // stay valid until another row is asked for. Rows asked for in order from the
  // top are cheapest; a source that decodes as it goes may take no other order.
  // Raises the source's failure when the row cannot be had.
  virtual const uint8_t* Row(int y) = 0;
};
