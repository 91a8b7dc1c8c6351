#include "picture/SmoothShrink.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gdi/Handles.h"
#include "picture/Bitmap.h"
#include "picture/BitmapCanvas.h"
#include "picture/BitmapImage.h"
#include "picture/LanczosResampler.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

// Blocks are averaged down to no less than this many samples per result pixel.
// A block average leaks detail near its own rate into the result; this far above
// the result's rate the Lanczos kernel removes it (at twice, false rings on zone
// plates cost 5 to 17 dB).
constexpr int kSamplesPerPixel = 4;
// How many rows are converted at a time when the source is not 24-bit pixels.
constexpr int kBandRows = 64;

// The source's rows, top first, as blue-green-red bytes: straight from a 24-bit
// section, otherwise converted by GDI a band at a time.
class SourceRows {
public:
  explicit SourceRows(TBitmap& source) : width_(source.Width()), height_(source.Height()) {
    source.EnsureHandle();
    const TBitmapImage& image = source.Image();
    handle_ = image.Handle;
    const DIBSECTION& dib = image.DIB;
    stride_ = static_cast<ptrdiff_t>(RowStride(width_, 24, 32));
    if (image.DIBHandle != nullptr && image.Handle == image.DIBHandle && dib.dsBm.bmBits != nullptr &&
        dib.dsBmih.biBitCount == 24 && dib.dsBmih.biCompression == BI_RGB) {
      GdiFlush();
      bits_ = static_cast<const uint8_t*>(dib.dsBm.bmBits);
      topDown_ = dib.dsBmih.biHeight < 0;
      return;
    }
    // GDI converts only a bitmap that no device context holds.
    DeselectEverywhere(handle_);
    band_.resize(static_cast<size_t>(stride_) * static_cast<size_t>(std::min(kBandRows, height_)));
  }

  const uint8_t* Row(int y) {
    if (bits_ != nullptr) return bits_ + stride_ * (topDown_ ? y : height_ - 1 - y);
    if (y < bandTop_ || y >= bandTop_ + bandRows_) ReadBand(y);
    // The band arrives bottom row first.
    return band_.data() + stride_ * (bandTop_ + bandRows_ - 1 - y);
  }

private:
  void ReadBand(int top) {
    const int rows = std::min(kBandRows, height_ - top);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    WindowDC screen(nullptr);
    // Scan lines are counted from the bottom of the picture.
    SetLastError(0);
    const int copied = GetDIBits(CheckGdi(screen.get()), handle_, static_cast<UINT>(height_ - top - rows),
                                 static_cast<UINT>(rows), band_.data(), &info, DIB_RGB_COLORS);
    if (copied != rows) RaiseGdiError();
    bandTop_ = top;
    bandRows_ = rows;
  }

  int width_;
  int height_;
  HBITMAP handle_ = nullptr;
  ptrdiff_t stride_ = 0;
  const uint8_t* bits_ = nullptr;
  bool topDown_ = false;
  std::vector<uint8_t> band_;
  int bandTop_ = 0;
  int bandRows_ = 0;
};

// Where each of `count` blocks over `size` pixels begins, and the end as the last
// entry. Sizes differ by one pixel at most, so that every averaged sample stands
// for the same share of the picture.
std::vector<int> BlockStarts(int size, int count) {
  std::vector<int> starts(static_cast<size_t>(count) + 1);
  for (int i = 0; i <= count; ++i) starts[i] = static_cast<int>(static_cast<int64_t>(size) * i / count);
  return starts;
}

// Averages the source over columns by rows blocks, each block row kept in 16 bits
// (8-bit values times 257) so that averaging loses nothing, and hands the block
// rows to the resampler as they are made.
void AverageBlocks(SourceRows& rows, const std::vector<int>& left, const std::vector<int>& top,
                   LanczosResampler& resampler) {
  const int columns = static_cast<int>(left.size()) - 1;
  const int rowCount = static_cast<int>(top.size()) - 1;
  const bool wholeColumns = columns == left.back();
  std::vector<uint32_t> sums(static_cast<size_t>(columns) * 3);
  std::vector<uint16_t> averages(sums.size());
  for (int blockRow = 0; blockRow < rowCount; ++blockRow) {
    std::fill(sums.begin(), sums.end(), 0u);
    for (int y = top[blockRow]; y < top[blockRow + 1]; ++y) {
      const uint8_t* row = rows.Row(y);
      if (wholeColumns) {
        for (size_t i = 0; i < sums.size(); ++i) sums[i] += row[i];
        continue;
      }
      uint32_t* sum = sums.data();
      for (int column = 0; column < columns; ++column, sum += 3) {
        uint32_t blue = 0, green = 0, red = 0;
        for (const uint8_t* p = row + left[column] * 3; p < row + left[column + 1] * 3; p += 3) {
          blue += p[0];
          green += p[1];
          red += p[2];
        }
        sum[0] += blue;
        sum[1] += green;
        sum[2] += red;
      }
    }
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

}  // namespace

bool DrawnSmaller(int pictureWidth, int pictureHeight, int width, int height) {
  return pictureWidth > 0 && pictureHeight > 0 && width > 0 && height > 0 &&
         (width < pictureWidth || height < pictureHeight);
}

std::unique_ptr<TBitmap> ShrinkSmoothly(TBitmap& source, int width, int height) {
  const int sourceWidth = source.Width();
  const int sourceHeight = source.Height();
  auto result = std::make_unique<TBitmap>();
  result->SetPixelDepth(pd24Bit);
  result->SetWidth(width);
  result->SetHeight(height);
  if (sourceWidth <= 0 || sourceHeight <= 0 || width <= 0 || height <= 0) return result;

  std::vector<uint8_t> filtered;
  try {
    const int columns = sourceWidth / std::max(1, sourceWidth / (kSamplesPerPixel * width));
    const int rowCount = sourceHeight / std::max(1, sourceHeight / (kSamplesPerPixel * height));
    SourceRows rows(source);
    const std::vector<int> left = BlockStarts(sourceWidth, columns);
    const std::vector<int> top = BlockStarts(sourceHeight, rowCount);
    LanczosResampler resampler(left, top, width, height);
    AverageBlocks(rows, left, top, resampler);
    filtered = resampler.Result();
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY));
  }

  const size_t rowBytes = static_cast<size_t>(width) * 3;
  for (int y = 0; y < height; ++y) {
    std::memcpy(result->RowAddress(y), filtered.data() + rowBytes * static_cast<size_t>(y), rowBytes);
  }
  return result;
}
