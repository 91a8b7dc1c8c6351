#include "picture/readers/jpeg/JpegProgress.h"

#include <cmath>
#include <string>

#include "picture/metadata/ExifOrientation.h"
#include "picture/readers/jpeg/JpegErrors.h"
#include "picture/core/Graphic.h"

namespace {

TJpegTickSource tickSource = GetTickCount;

// The rows of the current pass that stand in the picture already.
JDIMENSION ReadyRows(const TJpegProgress& progress, const jpeg_decompress_struct& d) {
  if (progress.bandRows <= 1 || d.output_scanline >= d.output_height) return d.output_scanline;
  return d.output_scanline / progress.bandRows * progress.bandRows;
}

// Runs the C++ part of a report; false when OnProgress raised (the exception is
// then kept for the caller of the library).
bool Report(TJpegProgress& progress, j_common_ptr cinfo) {
  try {
    const DWORD now = tickSource();
    if (!progress.started) {
      progress.started = true;
      progress.lastTime = now;
      return true;
    }
    if (now - progress.lastTime < 500) return true;
    progress.lastTime = now;
    const jpeg_progress_mgr& p = progress.pub;
    if (p.pass_limit <= 0 || p.total_passes <= 0) return true;
    const double done = static_cast<double>(p.pass_counter) / p.pass_limit + p.completed_passes;
    const int percent = static_cast<int>(std::lround(done * 100.0 / p.total_passes));
    if (percent == progress.lastPercent) return true;
    progress.lastPercent = percent;
    RECT rect{};
    bool redraw = false;
    if (cinfo->is_decompressor) {
      const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
      const JDIMENSION ready = ReadyRows(progress, *d);
      // A new output pass starts again from the top.
      const JDIMENSION top = ready < progress.lastRow ? 0 : progress.lastRow;
      redraw = ready - top >= 4;
      rect = UprightBand(progress.orientation, static_cast<int>(d->output_width), static_cast<int>(d->output_height),
                         static_cast<long>(top), static_cast<long>(ready));
      progress.lastRow = ready;
    }
    std::string message;
    const uint8_t clamped = static_cast<uint8_t>(percent < 0 ? 0 : percent > 100 ? 100 : percent);
    progress.owner->Progress(progress.owner, psRunning, clamped, redraw, rect, message);
    return true;
  } catch (...) {
    KeepCallbackFailure(cinfo);
    return false;
  }
}

void ProgressHook(j_common_ptr cinfo) {
  auto* progress = reinterpret_cast<TJpegProgress*>(cinfo->progress);
  if (progress->owner == nullptr) return;
  if (!Report(*progress, cinfo)) FailFromCallback(cinfo);
}

}  // namespace

void SetJpegProgressClockForTesting(TJpegTickSource clock) { tickSource = clock != nullptr ? clock : GetTickCount; }

void InstallJpegProgress(TJpegProgress& progress, j_common_ptr cinfo, TGraphic* owner) {
  progress = TJpegProgress{};
  progress.pub.progress_monitor = ProgressHook;
  progress.owner = owner;
  progress.lastPercent = -1;
  cinfo->progress = &progress.pub;
}
