// The stages of making a big picture ready, timed in this process: loading the
// file, decoding at the scale the shown size needs, and resampling; then the
// same picture loaded again and made ready as the window does (a JPEG shrinks
// while it decodes), against the sum of the two stages.
//   scripts/wine-runner build/bench/prepare_bench.exe WIDTH HEIGHT PICTURE...
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/BenchClock.h"
#include "picture/bitmap/Bitmap.h"
#include "picture/colour/ColorConversions.h"
#include "picture/readers/jpeg/JpegImage.h"
#include "picture/Picture.h"
#include "picture/shrink/ShownPicture.h"
#include "picture/shrink/SmoothShrink.h"
#include "text/Exceptions.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::printf("usage: prepare_bench WIDTH HEIGHT PICTURE...\n");
    return 2;
  }
  StartJpegSupport();
  StartColorConversions();
  const int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
  for (int i = 3; i < argc; ++i) {
    try {
      TPicture picture;
      const double start = Now();
      picture.LoadFile(argv[i]);
      const double loaded = Now();
      TGraphic* graphic = picture.CurrentGraphic();
      if (auto* jpeg = dynamic_cast<TJPEGImage*>(graphic)) {
        if (std::getenv("PREPARE_BENCH_FAST") != nullptr) jpeg->Options().SpeedMode = jpBestSpeed;
      }
      TBitmap* pixels = PixelsForShowing(*graphic, width, height);
      const double decoded = Now();
      const std::unique_ptr<TBitmap> shrunk = ShrinkSmoothly(*pixels, width, height);
      const double resampled = Now();
      PROCESS_MEMORY_COUNTERS counters{};
      counters.cb = sizeof counters;
      GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
      TPicture again;
      again.LoadFile(argv[i]);
      const double reloaded = Now();
      const std::unique_ptr<TBitmap> prepared = PreparedForShowing(*again.CurrentGraphic(), width, height);
      const double ready = Now();
      std::printf("%s: load %.0f ms, decode %.0f ms (%d x %d), resample %.0f ms, made ready %.0f ms; peak %.1f MiB\n",
                  argv[i], (loaded - start) * 1000, (decoded - loaded) * 1000, pixels->Width(), pixels->Height(),
                  (resampled - decoded) * 1000, (ready - reloaded) * 1000, counters.PeakWorkingSetSize / 1048576.0);
    } catch (const Exception& failure) {
      std::printf("%s: %s\n", argv[i], failure.Message().c_str());
    }
  }
  return 0;
}
