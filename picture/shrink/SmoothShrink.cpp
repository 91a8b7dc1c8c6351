#include "picture/shrink/SmoothShrink.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gdi/Handles.h"
#include "picture/bitmap/Bitmap.h"
#include "picture/bitmap/BitmapRows.h"
#include "picture/bitmap/BitmapRowWriter.h"
#include "picture/shrink/LanczosResampler.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

// Blocks are averaged down to no less than this many samples per result pixel.
// A block average leaks detail near its own rate into the result; this far above
// the result's rate the Lanczos kernel removes it (at twice, false rings on zone
// plates cost 5 to 17 dB).
constexpr int kSamplesPerPixel = 4;

// Where each of `count` blocks over `size` pixels begins, and the end as the last
// entry. Sizes differ by one pixel at most, so that every averaged sample stands
// for the same share of the picture.
std::vector<int> BlockStarts(int size, int count) {
  std::vector<int> starts(static_cast<size_t>(count) + 1);
  for (int i = 0; i <= count; ++i) starts[i] = static_cast<int>(static_cast<int64_t>(size) * i / count);
  return starts;
}

// How many blocks to average `size` pixels into for `shown` result pixels: whole
// pixels each, at least kSamplesPerPixel per result pixel. In 64 bits, so that no
// shown size overflows the product.
int BlockCount(int size, int shown) {
  const int64_t pixelsPerBlock = std::max<int64_t>(1, size / (int64_t{kSamplesPerPixel} * shown));
  return static_cast<int>(size / pixelsPerBlock);
}

// Adds one source row to the sums of its blocks across, three colours each.
// Kept out of line: inside the averaging, with its many live values, the
// loops' pointers would be read from the stack for every byte.
__attribute__((noinline)) void AddRow(const uint8_t* row, const int* left, int columns, bool wholeColumns,
                                      uint32_t* sums) {
  if (wholeColumns) {
    for (size_t i = 0, count = static_cast<size_t>(columns) * 3; i < count; ++i) sums[i] += row[i];
    return;
  }
  for (int column = 0; column < columns; ++column, sums += 3) {
    uint32_t blue = 0, green = 0, red = 0;
    for (const uint8_t* p = row + left[column] * 3; p < row + left[column + 1] * 3; p += 3) {
      blue += p[0];
      green += p[1];
      red += p[2];
    }
    sums[0] += blue;
    sums[1] += green;
    sums[2] += red;
  }
}

// Averages the source over columns by rows blocks, each block row kept in 16 bits
// (8-bit values times 257) so that averaging loses nothing, and hands the block
// rows to the resampler as they are made.
void AverageBlocks(PixelRows& rows, const std::vector<int>& left, const std::vector<int>& top,
                   LanczosResampler& resampler) {
  const int columns = static_cast<int>(left.size()) - 1;
  const int rowCount = static_cast<int>(top.size()) - 1;
  const bool wholeColumns = columns == left.back();
  std::vector<uint32_t> sums(static_cast<size_t>(columns) * 3);
  std::vector<uint16_t> averages(sums.size());
  for (int blockRow = 0; blockRow < rowCount; ++blockRow) {
    std::fill(sums.begin(), sums.end(), 0u);
    for (int y = top[blockRow]; y < top[blockRow + 1]; ++y)
      AddRow(rows.Row(y), left.data(), columns, wholeColumns, sums.data());
    const int blockHeight = top[blockRow + 1] - top[blockRow];
    uint16_t* out = averages.data();
    for (int column = 0; column < columns; ++column) {
      const uint64_t count = static_cast<uint64_t>(left[column + 1] - left[column]) * blockHeight;
      for (int c = 0; c < 3; ++c) {
        const uint64_t sum = sums[static_cast<size_t>(column) * 3 + c];
        *out++ = static_cast<uint16_t>((sum * 257 * 2 + count) / (2 * count));
      }
    }
    resampler.AddRow(averages.data());
  }
}

// The shrink of any rows; none stands for an empty source.
std::unique_ptr<TBitmap> ShrinkRows(PixelRows* source, int width, int height) {
  auto result = std::make_unique<TBitmap>();
  result->SetPixelDepth(pd24Bit);
  result->SetWidth(width);
  result->SetHeight(height);
  if (source == nullptr || source->Width() <= 0 || source->Height() <= 0 || width <= 0 || height <= 0)
    return result;
  const int sourceWidth = source->Width();
  const int sourceHeight = source->Height();
  try {
    const int columns = BlockCount(sourceWidth, width);
    const int rowCount = BlockCount(sourceHeight, height);
    const std::vector<int> left = BlockStarts(sourceWidth, columns);
    const std::vector<int> top = BlockStarts(sourceHeight, rowCount);
    LanczosResampler resampler(left, top, width, height);
    AverageBlocks(*source, left, top, resampler);
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    BitmapRowWriter rows(*result);
    for (int y = 0; y < height; ++y)
      std::memcpy(rows.Row(y), resampler.Result().data() + rowBytes * static_cast<size_t>(y), rowBytes);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY));
  }
  return result;
}

}  // namespace

bool DrawnSmaller(int pictureWidth, int pictureHeight, int width, int height) {
  return pictureWidth > 0 && pictureHeight > 0 && width > 0 && height > 0 &&
         (width < pictureWidth || height < pictureHeight);
}

std::unique_ptr<TBitmap> ShrinkSmoothly(TBitmap& source, int width, int height) {
  if (source.Width() <= 0 || source.Height() <= 0) return ShrinkRows(nullptr, width, height);
  BitmapRows rows(source);
  return ShrinkRows(&rows, width, height);
}

std::unique_ptr<TBitmap> ShrinkSmoothly(PixelRows& source, int width, int height) {
  return ShrinkRows(&source, width, height);
}
