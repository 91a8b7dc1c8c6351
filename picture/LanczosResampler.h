#pragma once
// Resampling a grid of samples to another size with a Lanczos-3 kernel, widened
// by the shrink factor so that every sample under it is weighed: detail finer
// than the result can hold turns into its average instead of a false pattern.
// Samples may stand for blocks of unequal size; each is weighed at the centre of
// its block and by its size, so an irregular grid of averages is no source of
// error. Integer arithmetic throughout.

#include <cstdint>
#include <cstddef>
#include <vector>

// Samples come in a row at a time, so that only the rows resampled across are
// kept, never the whole grid.
class LanczosResampler {
public:
  // The grid's blocks: columnStarts holds each column's first picture column and
  // then the picture's width; rowStarts likewise. The result is width by height.
  LanczosResampler(const std::vector<int>& columnStarts, const std::vector<int>& rowStarts, int width, int height);

  // The grid's next row, top first: three channels (blue, green, red) a column,
  // 8-bit values times 257.
  void AddRow(const uint16_t* samples);
  // Once every row is in: the result's pixels, three 8-bit channels each, rows
  // packed top first.
  std::vector<uint8_t> Result() const;

private:
  // The samples that make one result position, and their weights in fixed point,
  // adding up to exactly one.
  struct Taps {
    int first = 0;
    std::vector<int32_t> weights;
  };
  static std::vector<Taps> TapsFor(const std::vector<int>& starts, int count);

  int width_;
  int height_;
  std::vector<Taps> columns_;
  std::vector<Taps> rows_;
  // Each grid row resampled across, at a quarter of the samples' scale.
  std::vector<int16_t> across_;
  size_t rowsIn_ = 0;
};
