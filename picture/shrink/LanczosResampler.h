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

// Samples come in a row at a time; only the few rows resampled across that the
// next result row needs are kept, never the whole grid.
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
  const std::vector<uint8_t>& Result() const { return result_; }

private:
  // The samples that make one result position, and their weights in fixed point,
  // adding up to exactly one.
  struct Taps {
    int first = 0;
    std::vector<int32_t> weights;
  };
  static std::vector<Taps> TapsFor(const std::vector<int>& starts, int count);
  // Makes every result row whose grid rows are all in.
  void MakeReadyRows();

  int width_;
  int height_;
  std::vector<Taps> columns_;
  std::vector<Taps> rows_;
  // The latest grid rows resampled across, at a quarter of the samples' scale,
  // row r in slot r modulo kept_.
  size_t kept_ = 1;
  std::vector<int16_t> across_;
  size_t rowsIn_ = 0;
  std::vector<int32_t> sums_;
  std::vector<uint8_t> result_;
  int rowsOut_ = 0;
};
