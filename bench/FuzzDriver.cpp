// Damaged pictures, made and fed to the program's own loading, drawing and saving;
// run by hand (bench/fuzz.sh does a whole round), never in CI.
//
//   fuzz_driver.exe mutate SEED COUNT FOLDER PICTURE...
//       writes COUNT damaged copies of the pictures into FOLDER (m00001.bmp, ...),
//       the same ones for the same SEED;
//   fuzz_driver.exe check FOLDER [--warm @WARMLIST] PICTURE... | @LIST
//       draws the warm-up pictures first (sound ones of every kind; without a
//       list, the first hundred pictures), naming any decoder of the system's
//       that none of them reads; then loads each picture, fits it into the
//       window's client area, prepares and paints it, captures the client area
//       and saves it into FOLDER as the program does; prints one line a picture
//       and a summary. A failure while painting is a draw failure, and a storm
//       when the paints after it fail again (in the program each failed paint
//       shows a box). Exit code 0 when every failure carried one of the program's
//       own texts, none was a fault of its code or a storm, and no GDI object or
//       handle was left behind; 3 when a picture took over a minute (a hang).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/ProcessCounts.h"
#include "picture/colour/ColorConversions.h"
#include "picture/bitmap/Bitmap.h"
#include "picture/readers/jpeg/JpegImage.h"
#include "picture/formats/PictureFormat.h"
#include "picture/readers/wic/WicCodecs.h"
#include "presenter/PictureFit.h"
#include "tests/support/BitmapTestSupport.h"
#include "tests/support/ScopedApplication.h"
#include "tests/support/WindowRuntime.h"
#include "text/Exceptions.h"
#include "text/Format.h"
#include "ui/Form.h"
#include "ui/Image.h"

namespace {

using bitmap_test::GdiObjectCount;

using Bytes = std::vector<uint8_t>;

// xorshift64*: the same damage for the same seed on every machine.
class Random {
public:
  explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint32_t Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<uint32_t>((state_ * 0x2545F4914F6CDD1Dull) >> 32);
  }
  uint32_t Below(uint32_t bound) { return bound == 0 ? 0 : Next() % bound; }

private:
  uint64_t state_;
};

Bytes ReadFileBytes(const std::string& name) {
  std::ifstream file(name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool IsJpeg(const Bytes& bytes) { return bytes.size() > 2 && bytes[0] == 0xFF && bytes[1] == 0xD8; }

void Put16BigEndian(Bytes& bytes, size_t at, uint32_t value) {
  if (at + 2 > bytes.size()) return;
  bytes[at] = static_cast<uint8_t>(value >> 8);
  bytes[at + 1] = static_cast<uint8_t>(value);
}

void Put32(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4 && at + i < bytes.size(); ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A JPEG marker segment: where its marker starts and where the segment ends.
struct Segment {
  size_t start;
  size_t end;
  uint8_t marker;
};

// The segments before the first scan's data (the scan header included).
std::vector<Segment> SegmentsOf(const Bytes& bytes) {
  std::vector<Segment> segments;
  size_t at = 2;
  while (at + 4 <= bytes.size() && bytes[at] == 0xFF) {
    const uint8_t marker = bytes[at + 1];
    const size_t length = (static_cast<size_t>(bytes[at + 2]) << 8) | bytes[at + 3];
    const size_t end = at + 2 + length;
    if (length < 2 || end > bytes.size()) break;
    segments.push_back({at, end, marker});
    if (marker == 0xDA) break;
    at = end;
  }
  return segments;
}

bool IsFrameMarker(uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

const uint32_t kExtremes[] = {0, 1, 2, 3, 0x7F, 0x80, 0xFF, 0x100, 0x7FFF, 0x8000, 0xFFFF, 0x10000, 46340, 46341,
                              0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 24495, 16330, 30000};

uint32_t Extreme(Random& random) { return kExtremes[random.Below(sizeof kExtremes / sizeof kExtremes[0])]; }

void FlipBits(Bytes& bytes, Random& random) {
  const uint32_t flips = 1 + random.Below(8);
  for (uint32_t i = 0; i < flips && !bytes.empty(); ++i) bytes[random.Below(bytes.size())] ^= 1u << random.Below(8);
}

void Truncate(Bytes& bytes, Random& random) { bytes.resize(random.Below(static_cast<uint32_t>(bytes.size()))); }

void OverwriteBlock(Bytes& bytes, Random& random) {
  if (bytes.empty()) return;
  const size_t at = random.Below(bytes.size());
  const size_t count = std::min<size_t>(1 + random.Below(64), bytes.size() - at);
  const uint8_t fill = random.Below(2) != 0 ? 0xFF : static_cast<uint8_t>(random.Next());
  for (size_t i = 0; i < count; ++i) bytes[at + i] = fill;
}

// BMP header fields: header size, width, height, planes, bit count, compression,
// image size, colours used.
void ExtremeBmpField(Bytes& bytes, Random& random) {
  static const size_t kFields[] = {14, 18, 22, 26, 28, 30, 34, 46};
  const size_t at = kFields[random.Below(8)];
  if (at == 26 || at == 28) {
    const uint32_t value = Extreme(random) & 0xFFFF;
    if (at + 2 <= bytes.size()) bytes[at] = static_cast<uint8_t>(value), bytes[at + 1] = static_cast<uint8_t>(value >> 8);
  } else {
    Put32(bytes, at, Extreme(random));
  }
}

void HugeBmp(Bytes& bytes, Random& random) {
  Put32(bytes, 18, Extreme(random) | 0x4000);
  Put32(bytes, 22, random.Below(2) != 0 ? Extreme(random) | 0x4000 : 0u - (Extreme(random) | 0x4000));
}

// Frame header fields: precision, height, width, component count, a sampling
// factor or table number.
void ExtremeFrameField(Bytes& bytes, Random& random, bool huge) {
  for (const Segment& segment : SegmentsOf(bytes)) {
    if (!IsFrameMarker(segment.marker)) continue;
    const size_t at = segment.start + 4;
    if (huge) {
      Put16BigEndian(bytes, at + 1, 16330 + random.Below(49000));
      Put16BigEndian(bytes, at + 3, 24495 + random.Below(41000));
      return;
    }
    switch (random.Below(5)) {
      case 0: if (at < bytes.size()) bytes[at] = static_cast<uint8_t>(Extreme(random)); break;
      case 1: Put16BigEndian(bytes, at + 1, Extreme(random)); break;
      case 2: Put16BigEndian(bytes, at + 3, Extreme(random)); break;
      case 3: if (at + 5 < bytes.size()) bytes[at + 5] = static_cast<uint8_t>(Extreme(random)); break;
      default: {
        const size_t component = at + 6 + 3 * random.Below(3) + 1 + random.Below(2);
        if (component < segment.end) bytes[component] = static_cast<uint8_t>(Extreme(random));
      }
    }
    return;
  }
}

void DuplicateOrRemoveSegment(Bytes& bytes, Random& random) {
  const std::vector<Segment> segments = SegmentsOf(bytes);
  if (segments.empty()) return;
  const Segment& chosen = segments[random.Below(static_cast<uint32_t>(segments.size()))];
  const Bytes copy(bytes.begin() + chosen.start, bytes.begin() + chosen.end);
  if (random.Below(2) != 0) {
    bytes.erase(bytes.begin() + chosen.start, bytes.begin() + chosen.end);
  } else {
    const size_t where = segments[random.Below(static_cast<uint32_t>(segments.size()))].start;
    bytes.insert(bytes.begin() + where, copy.begin(), copy.end());
  }
}

Bytes Mutated(const Bytes& seed, Random& random) {
  Bytes bytes = seed;
  const bool jpeg = IsJpeg(seed);
  const uint32_t rounds = 1 + random.Below(3);
  for (uint32_t round = 0; round < rounds; ++round) {
    switch (random.Below(6)) {
      case 0: FlipBits(bytes, random); break;
      case 1: if (random.Below(3) == 0) Truncate(bytes, random); else FlipBits(bytes, random); break;
      case 2: OverwriteBlock(bytes, random); break;
      case 3: jpeg ? ExtremeFrameField(bytes, random, false) : ExtremeBmpField(bytes, random); break;
      case 4: jpeg ? DuplicateOrRemoveSegment(bytes, random) : ExtremeBmpField(bytes, random); break;
      default: jpeg ? ExtremeFrameField(bytes, random, true) : HugeBmp(bytes, random); break;
    }
  }
  return bytes;
}

int Mutate(uint64_t seed, int count, const std::string& folder, const std::vector<std::string>& pictures) {
  std::vector<Bytes> seeds;
  for (const std::string& name : pictures) {
    Bytes bytes = ReadFileBytes(name);
    if (!bytes.empty()) seeds.push_back(std::move(bytes));
  }
  if (seeds.empty()) {
    std::fprintf(stderr, "no seed pictures\n");
    return 2;
  }
  CreateDirectoryA(folder.c_str(), nullptr);
  Random random(seed);
  for (int i = 1; i <= count; ++i) {
    const Bytes& from = seeds[random.Below(static_cast<uint32_t>(seeds.size()))];
    const Bytes bytes = Mutated(from, random);
    char name[32];
    std::snprintf(name, sizeof name, "\\m%05d.%s", i, IsJpeg(from) ? "jpg" : "bmp");
    std::ofstream(folder + name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                          static_cast<std::streamsize>(bytes.size()));
  }
  std::printf("wrote %d pictures into %s\n", count, folder.c_str());
  return 0;
}

// Every text of the program's string table, read from its resources (the texts
// linked into this driver are the program's own), each a pattern in which a
// directive (%s, %d, %1:s, ...) stands for any text.
class KnownMessages {
public:
  KnownMessages() {
    EnumResourceNamesA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(6) /* RT_STRING */, &AddBlock,
                       reinterpret_cast<LONG_PTR>(this));
  }
  size_t Count() const { return patterns_.size(); }
  bool Knows(const std::string& message) const {
    for (const std::vector<std::string>& pieces : patterns_)
      if (Fits(message, pieces)) return true;
    return false;
  }

private:
  // A string table resource is a block of 16 texts; its name is the block's number.
  static BOOL CALLBACK AddBlock(HMODULE, LPCSTR, LPSTR name, LONG_PTR self) noexcept {
    if (!IS_INTRESOURCE(name)) return TRUE;
    const unsigned first = (static_cast<unsigned>(reinterpret_cast<uintptr_t>(name)) - 1) * 16;
    try {
      for (unsigned id = first; id < first + 16; ++id) {
        const std::string text = ResText(id);
        if (text.empty()) continue;
        std::vector<std::string> pieces = Pieces(text);
        // A text of directives alone would pass any message.
        if (std::all_of(pieces.begin(), pieces.end(), [](const std::string& piece) { return piece.empty(); }))
          continue;
        reinterpret_cast<KnownMessages*>(self)->patterns_.push_back(std::move(pieces));
      }
    } catch (...) {
      return FALSE;
    }
    return TRUE;
  }
  // The literal pieces between the directives; "%%" is a percent sign.
  static std::vector<std::string> Pieces(const std::string& text) {
    std::vector<std::string> pieces(1);
    for (size_t at = 0; at < text.size(); ++at) {
      if (text[at] != '%' || at + 1 == text.size()) {
        pieces.back() += text[at];
      } else if (text[at + 1] == '%') {
        pieces.back() += text[++at];
      } else {
        at = text.find_first_not_of("0123456789:-.", at + 1);
        if (at == std::string::npos) at = text.size();
        pieces.emplace_back();
      }
    }
    return pieces;
  }
  // Whether the message is the pattern with some text for each directive: the
  // first piece begins it, the last ends it, the others come in order between.
  static bool Fits(const std::string& message, const std::vector<std::string>& pieces) {
    const std::string& head = pieces.front();
    const std::string& tail = pieces.back();
    if (pieces.size() == 1) return message == head;
    if (message.size() < head.size() + tail.size() || message.compare(0, head.size(), head) != 0 ||
        message.compare(message.size() - tail.size(), tail.size(), tail) != 0)
      return false;
    size_t at = head.size();
    const size_t end = message.size() - tail.size();
    for (size_t i = 1; i + 1 < pieces.size(); ++i) {
      at = message.find(pieces[i], at);
      if (at == std::string::npos || at + pieces[i].size() > end) return false;
      at += pieces[i].size();
    }
    return true;
  }

  std::vector<std::vector<std::string>> patterns_;
};

// What became of one picture.
struct Outcome {
  std::string failure;    // empty when it was drawn and saved
  std::string size;
  bool fault = false;     // a processor fault in the program's own code
  int paintFailures = 0;  // boxes its painting would show: one is a draw failure, more a storm
};

// The program's path from a picture to its saved capture, in one window.
class Round {
public:
  explicit Round(const std::string& output) : output_(output) {
    // In the program a failed paint shows a box; here it is counted.
    app_->OnException = [this](TComponent*, const Exception& failure) {
      paintFailures_.push_back(failure.Message());
      paintFault_ = paintFault_ || dynamic_cast<const EExternal*>(&failure) != nullptr;
    };
    form_.SetColor(clBlack);
    form_.SetClientWidth(600);
    form_.SetClientHeight(600);
    image_ = new TImage(&form_);
    image_->SetParent(&form_);
    image_->SetStretch(true);
    form_.SetVisible(true);
  }

  Outcome Run(const std::string& picture) {
    Outcome outcome;
    Attempt(picture, outcome);
    // Nothing of this picture is kept for the next.
    image_->Picture().SetCurrentGraphic(nullptr);
    Paint();
    return outcome;
  }

private:
  // The program's timer moves the window every 20 ms while a box is open, and
  // each move paints the picture again: as many paints as a second of ticks
  // would make tell whether one failure shows one box or a box for each paint.
  static constexpr int kRepaintsAfterFailure = 3;

  void Paint() {
    form_.Invalidate();
    UpdateWindow(form_.Handle());
    PumpWaiting(*app_);
  }

  void Attempt(const std::string& picture, Outcome& outcome) {
    paintFailures_.clear();
    paintFault_ = false;
    try {
      image_->Picture().LoadFile(picture);
      // A file without pixels fails as in the program, with its format's verdict.
      RefuseEmptyPicture(image_->Picture());
      const int width = image_->Picture().Width(), height = image_->Picture().Height();
      outcome.size = std::to_string(width) + "x" + std::to_string(height);
      if (width <= 0 || height <= 0) {
        outcome.failure = "(empty)";
        return;
      }
      const PictureBounds bounds = FitPicture(width, height, {600, 600});
      image_->SetBounds(bounds.left, bounds.top, bounds.width, bounds.height);
      image_->PreparePicture();
      Paint();
      if (paintFailures_.empty()) return Capture();
      for (int tick = 0; tick < kRepaintsAfterFailure; ++tick) Paint();
      outcome.failure = paintFailures_.front();
      outcome.fault = paintFault_;
      outcome.paintFailures = static_cast<int>(paintFailures_.size());
    } catch (const Exception& failure) {
      outcome.failure = failure.Message().empty() ? "(no text)" : failure.Message();
      outcome.fault = dynamic_cast<const EExternal*>(&failure) != nullptr;
    } catch (const std::exception& failure) {
      outcome.failure = std::string("(a C++ exception: ") + failure.what() + ")";
    }
  }

  void Capture() {
    TBitmap capture;
    capture.SetWidth(600);
    capture.SetHeight(600);
    const RECT area{0, 0, 600, 600};
    capture.Canvas().CopyRect(area, form_.Canvas(), area);
    TJPEGImage jpeg;
    jpeg.CopyFrom(&capture);
    jpeg.Options().SaveQuality = 80;
    jpeg.SaveFile(output_);
  }

  std::string output_;
  ScopedApplication app_;
  TForm form_{&*app_};
  TImage* image_ = nullptr;
  std::vector<std::string> paintFailures_;
  bool paintFault_ = false;
};

std::vector<std::string> PictureList(int argc, char** argv, int first) {
  std::vector<std::string> names;
  for (int i = first; i < argc; ++i) {
    if (argv[i][0] != '@') {
      names.push_back(argv[i]);
      continue;
    }
    std::ifstream list(argv[i] + 1);
    for (std::string line; std::getline(list, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) names.push_back(line);
    }
  }
  return names;
}

// Ends the round when a picture takes over a minute (a hang: exit code 3), or

// Ends the round when a picture takes over a minute (a hang: exit code 3), or
// when the stop box of a fault inside a system library shows (exit code 4): that
// box waits for a person, and the process ends once it is answered.
class Watchdog {
public:
  Watchdog() : thread_([this] { Watch(); }) {}
  ~Watchdog() {
    done_ = true;
    thread_.join();
  }
  void Begin(const char* picture) {
    current_ = picture;
    startedAt_ = GetTickCount();
  }

private:
  static BOOL CALLBACK FindStopBox(HWND window, LPARAM found) noexcept {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window) || std::string(name) != "#32770") return TRUE;
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
  }
  void Stop(const char* verdict, UINT code) {
    std::printf("%s %s\n", verdict, current_.load());
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), code);
  }
  void Watch() {
    while (!done_) {
      Sleep(500);
      bool stopBox = false;
      EnumWindows(&FindStopBox, reinterpret_cast<LPARAM>(&stopBox));
      if (!done_ && stopBox) Stop("SYSTEM FAULT", 4);
      if (!done_ && GetTickCount() - startedAt_ > 60000) Stop("HANG", 3);
    }
  }

  std::atomic<DWORD> startedAt_{GetTickCount()};
  std::atomic<const char*> current_{""};
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// The system's decoders that read none of the warm-up pictures: objects such a
// decoder makes once per process would be counted against its first damaged
// picture.
std::vector<std::string> DecodersWithoutWarmUp(const std::vector<std::string>& warm) {
  const TWicSession session;
  if (session.Factory() == nullptr) return {"(the system's imaging component is missing)"};
  std::vector<std::pair<TPictureFormat, std::vector<uint8_t>>> heads;
  for (const std::string& name : warm) {
    try {
      std::vector<uint8_t> head = ReadPictureHead(FilePath(name));
      heads.emplace_back(PictureFormatOf(head, FilePath(name)), std::move(head));
    } catch (const Exception&) {
      // A warm-up picture that cannot be read shows as a failure when it is run.
    }
  }
  std::vector<std::string> missing;
  for (const TWicDecoder& decoder : InstalledDecoders(session)) {
    const bool read = std::any_of(heads.begin(), heads.end(), [&](const auto& head) {
      return DecodersRead({decoder}, head.first, head.second);
    });
    if (!read) missing.push_back(decoder.name);
  }
  return missing;
}

// Objects made once per process (stock objects, palettes, the libraries'
// tables, a decoder's own) come into being on the first picture of each kind:
// every kind is drawn three times before anything is counted.
void WarmUp(Round& round, Watchdog& watchdog, const std::vector<std::string>& warm) {
  for (const std::string& decoder : DecodersWithoutWarmUp(warm))
    std::printf("warm-up: no picture for the system's %s\n", decoder.c_str());
  // Three times each: what the decoders keep for the process (a thread of a
  // pool, a palette made once) is made by then, and only growth is a leak.
  int drawn = 0;
  for (const std::string& picture : warm) {
    Outcome outcome;
    for (int time = 0; time < 3; ++time) {
      watchdog.Begin(picture.c_str());
      outcome = round.Run(picture);
    }
    if (outcome.failure.empty()) {
      ++drawn;
    } else {
      std::printf("warm-up: %s was not drawn: %s\n", picture.c_str(), outcome.failure.c_str());
    }
  }
  std::printf("warm-up: %d of %zu pictures drawn and saved\n", drawn, warm.size());
}

// The verdicts of a round.
struct Tally {
  int ok = 0, refused = 0, drawFailures = 0, storms = 0, faults = 0, unknown = 0, leaks = 0;

  void Count(const std::string& picture, const Outcome& outcome, const KnownMessages& known) {
    const char* name = picture.c_str();
    const char* text = outcome.failure.c_str();
    if (outcome.failure.empty()) {
      ++ok;
      std::printf("ok %s %s\n", name, outcome.size.c_str());
      return;
    }
    const bool knownText = known.Knows(outcome.failure);
    if (outcome.fault) {
      ++faults;
      std::printf("FAULT %s: %s\n", name, text);
    } else if (outcome.paintFailures > 1) {
      ++storms;
      std::printf("STORM %s: %d paints failed, a box each: %s\n", name, outcome.paintFailures, text);
    } else if (outcome.paintFailures == 1) {
      ++drawFailures;
      std::printf("draw failure %s: %s\n", name, text);
    } else if (knownText) {
      ++refused;
      std::printf("refused %s: %s\n", name, text);
    }
    if (!knownText) {
      ++unknown;
      std::printf("UNKNOWN %s: %s\n", name, text);
    }
  }
  bool Sound() const { return storms == 0 && faults == 0 && unknown == 0 && leaks == 0; }
};

int Check(const std::string& folder, const std::vector<std::string>& warm, const std::vector<std::string>& pictures) {
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string output = folder + "\\capture.jpg";
  const KnownMessages known;
  std::printf("the program's texts: %zu\n", known.Count());
  Round round(output);
  Watchdog watchdog;
  WarmUp(round, watchdog, warm);
  Tally tally;
  FinishConversionsToSrgb();
  const int gdiAtStart = GdiObjectCount(), handlesAtStart = HandleCount(GetCurrentProcess());
  for (const std::string& picture : pictures) {
    watchdog.Begin(picture.c_str());
    const int gdiBefore = GdiObjectCount(), handlesBefore = HandleCount(GetCurrentProcess());
    const Outcome outcome = round.Run(picture);
    // A colour conversion begun for the picture may still be made on its thread.
    FinishConversionsToSrgb();
    const int gdi = GdiObjectCount() - gdiBefore, handles = HandleCount(GetCurrentProcess()) - handlesBefore;
    tally.Count(picture, outcome, known);
    if (gdi != 0 || handles != 0) {
      ++tally.leaks;
      std::printf("LEAK %s: %+d GDI objects, %+d handles\n", picture.c_str(), gdi, handles);
    }
    std::fflush(stdout);
  }
  DeleteFileA(output.c_str());
  std::printf("pictures %zu: %d drawn and saved, %d refused with a known message, %d draw failures, "
              "%d storms, %d faults, %d unknown messages, %d leaking; GDI objects %d -> %d, handles %d -> %d\n",
              pictures.size(), tally.ok, tally.refused, tally.drawFailures, tally.storms, tally.faults,
              tally.unknown, tally.leaks, gdiAtStart, GdiObjectCount(), handlesAtStart,
              HandleCount(GetCurrentProcess()));
  return tally.Sound() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  StartWindowRuntime();
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "mutate" && argc > 5)
    return Mutate(std::stoull(argv[2]), std::stoi(argv[3]), argv[4], PictureList(argc, argv, 5));
  if (mode == "check" && argc > 5 && std::string(argv[3]) == "--warm")
    return Check(argv[2], PictureList(5, argv, 4), PictureList(argc, argv, 5));
  if (mode == "check" && argc > 3) {
    // Without a warm-up list the first pictures warm it up, best sound ones of every kind.
    const std::vector<std::string> pictures = PictureList(argc, argv, 3);
    return Check(argv[2], {pictures.begin(), pictures.begin() + std::min<size_t>(pictures.size(), 100)}, pictures);
  }
  std::fprintf(stderr,
               "usage: fuzz_driver mutate SEED COUNT FOLDER PICTURE...\n"
               "       fuzz_driver check FOLDER [--warm @LIST] PICTURE... | @LIST\n");
  return 2;
}
