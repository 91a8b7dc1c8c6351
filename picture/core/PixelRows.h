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
  // How many rows, from y on, lie one after another in memory behind Row(y),
  // Width() * 3 bytes apart, valid together until another row is asked for: a
  // turn places such a band at once. At least 1 once Row(y) was asked for.
  virtual int RowsInBand(int) const { return 1; }
};
