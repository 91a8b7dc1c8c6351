#pragma once
// Resampling a grid of samples to another size with a Lanczos-3 kernel, widened
// by the shrink factor so that every sample under it is weighed: detail finer
// than the result can hold turns into its average instead of a false pattern.
// Samples may stand for blocks of unequal size; each is weighed at the centre of
// its block and by its size, so an irregular grid of averages is no source of
// error. Integer arithmetic throughout.

#include <cstdint>
#include <vector>

// Three-channel samples, 8-bit values times 257, and the blocks of the picture
// they stand for: columnStarts holds each column's first picture column and then
// the picture's width; rowStarts likewise.
struct SampleGrid {
  int width = 0;
  int height = 0;
  std::vector<uint16_t> values;
  std::vector<int> columnStarts;
  std::vector<int> rowStarts;
};

// The grid resampled to width by height pixels of three 8-bit channels each,
// rows packed top first.
std::vector<uint8_t> ResampleLanczos3(const SampleGrid& grid, int width, int height);
