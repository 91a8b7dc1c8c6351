// The whole run on real pictures, watched from outside the process as a user
// would see it: the window's way in from its edge, the final box, and the JPEG
// file written beside the picture.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "tests/app/RunningProgram.h"
#include "tests/support/BoxWatcher.h"
#include "tests/support/JpegMarkers.h"
#include "text/Utf16.h"

namespace {

struct RunResult {
  DWORD exitCode = 99;
  std::vector<SeenBox> boxes;
  std::vector<RECT> path;
  RECT client{};  // the main window's client area while the last box was open
};

RunResult RunOn(const std::string& arguments) {
  RunResult result;
  RunningProgram program(arguments, ProgramPath(), Watch::kMoves);
  EXPECT_TRUE(program.Started());
  EXPECT_TRUE(program.WatchesMoves());
  HWND main = nullptr;
  std::mutex lock;
  BoxWatcher watcher(program.ProcessId(), VK_RETURN, [&](HWND) {
    std::lock_guard<std::mutex> guard(lock);
    if (main != nullptr) GetClientRect(main, &result.client);
  });
  const HWND window = program.WaitForMainWindow();
  {
    std::lock_guard<std::mutex> guard(lock);
    main = window;
  }
  result.exitCode = program.WaitForExit();
  result.path = program.Moves();
  EXPECT_TRUE(watcher.WaitUntilQuiet());
  result.boxes = watcher.Seen();
  return result;
}

// Four flat quarters: red, green, blue and light gray.
constexpr DWORD kQuarters[4] = {0xE02010, 0x20C040, 0x1030D0, 0xE0E0E0};

Pixels Quarters(int width, int height) {
  Pixels pixels(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels[static_cast<size_t>(y) * width + x] = kQuarters[(y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0)];
  return pixels;
}

int Channel(DWORD pixel, int shift) { return static_cast<int>(pixel >> shift & 0xFF); }

DWORD Gray(DWORD pixel) {
  const auto level = static_cast<DWORD>(
      std::lround(0.299 * Channel(pixel, 16) + 0.587 * Channel(pixel, 8) + 0.114 * Channel(pixel, 0)));
  return level << 16 | level << 8 | level;
}

struct PictureCase {
  const char* what;
  const char* folder;
  const char* name;
  int width, height;
  bool jpeg, gray, unquoted;
  // Expected client area and picture rectangle in it.
  int clientWidth, clientHeight;
  RECT picture;
};

// Checks the saved frame against the expected one: black with the quarters
// stretched over the picture rectangle. Points near an edge of a colour area are
// left out, where JPEG compression blurs.
void ExpectFrame(const PictureCase& c, const Pixels& saved) {
  const RECT& r = c.picture;
  const int midX = r.left + (r.right - r.left) / 2;
  const int midY = r.top + (r.bottom - r.top) / 2;
  const auto nearEdge = [&](int x, int y) {
    constexpr int kBlur = 12;
    for (const int edge : {static_cast<int>(r.left), static_cast<int>(r.right), midX})
      if (std::abs(x - edge) < kBlur && y > r.top - kBlur && y < r.bottom + kBlur) return true;
    for (const int edge : {static_cast<int>(r.top), static_cast<int>(r.bottom), midY})
      if (std::abs(y - edge) < kBlur && x > r.left - kBlur && x < r.right + kBlur) return true;
    return false;
  };
  int compared = 0, wrong = 0;
  for (int y = 3; y < c.clientHeight; y += 7) {
    for (int x = 3; x < c.clientWidth; x += 7) {
      if (nearEdge(x, y)) continue;
      DWORD expected = 0;
      if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
        expected = kQuarters[(y >= midY ? 2 : 0) + (x >= midX ? 1 : 0)];
        if (c.gray) expected = Gray(expected);
      }
      const DWORD got = saved[static_cast<size_t>(y) * c.clientWidth + x];
      ++compared;
      bool close = true;
      for (int shift : {0, 8, 16}) close = close && std::abs(Channel(got, shift) - Channel(expected, shift)) <= 24;
      if (!close && ++wrong <= 5) ADD_FAILURE() << c.what << ": at " << x << "," << y << std::hex << " saved " << got << " expected " << expected;
    }
  }
  EXPECT_GT(compared, c.clientWidth * c.clientHeight / 49 / 3) << c.what << ": most of the frame is compared";
  EXPECT_EQ(0, wrong) << c.what;

  // The picture's edges, found where the black gives way (within 2 pixels of
  // compression blur), across its upper quarters and down its left ones.
  const auto lit = [&](int x, int y) {
    const DWORD pixel = saved[static_cast<size_t>(y) * c.clientWidth + x];
    return std::max({Channel(pixel, 0), Channel(pixel, 8), Channel(pixel, 16)}) > 28;
  };
  const int row = r.top + (r.bottom - r.top) / 4, column = r.left + (r.right - r.left) / 4;
  int left = 0, right = c.clientWidth - 1, top = 0, bottom = c.clientHeight - 1;
  while (left < c.clientWidth - 1 && !lit(left, row)) ++left;
  while (right > 0 && !lit(right, row)) --right;
  while (top < c.clientHeight - 1 && !lit(column, top)) ++top;
  while (bottom > 0 && !lit(column, bottom)) --bottom;
  EXPECT_NEAR(r.left, left, 2) << c.what;
  EXPECT_NEAR(r.right - 1, right, 2) << c.what;
  EXPECT_NEAR(r.top, top, 2) << c.what;
  EXPECT_NEAR(r.bottom - 1, bottom, 2) << c.what;
}

// A small window from the right edge of a wide screen starts past the centre,
// and stays where it starts.
bool StartsPastTheCentre(const RECT& rect) {
  const int width = rect.right - rect.left;
  return rect.left == width + 620 && rect.left <= (GetSystemMetrics(SM_CXSCREEN) - width) / 2 &&
         rect.top == (GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2;
}

// When the run was started at a chosen minute (tests/app/at-minutes), the window
// came in from that minute's edge: along that axis, in that direction.
void ExpectEdge(const char* what, bool horizontal, int direction) {
  const char* minute = std::getenv("MIROKATE_TEST_MINUTE");
  if (minute == nullptr) return;
  const struct {
    int minute;
    bool horizontal;
    int direction;
  } edges[] = {{0, false, 1}, {15, true, -1}, {30, false, -1}, {45, true, 1}};
  for (const auto& edge : edges) {
    if (edge.minute != std::atoi(minute)) continue;
    EXPECT_EQ(edge.horizontal, horizontal) << what << " at minute " << minute;
    EXPECT_EQ(edge.direction, direction) << what << " at minute " << minute;
    return;
  }
  ADD_FAILURE() << "no edge known for minute " << minute;
}

// The window moves along one axis in steps of 32 towards the centre and stops at
// most 31 pixels past it.
void ExpectEntryPath(const char* what, const std::vector<RECT>& path) {
  ASSERT_FALSE(path.empty()) << what;
  const RECT last = path.back();
  const int width = last.right - last.left, height = last.bottom - last.top;
  const int centreLeft = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int centreTop = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  // The positions of the way in: the final size, centred across the axis, and
  // a whole number of steps from the end.
  std::vector<RECT> way;
  for (const RECT& rect : path) {
    if (rect.right - rect.left != width || rect.bottom - rect.top != height) continue;
    const bool horizontal = rect.top == centreTop && (rect.left - last.left) % 32 == 0;
    const bool vertical = rect.left == centreLeft && (rect.top - last.top) % 32 == 0;
    if (horizontal || vertical) way.push_back(rect);
  }
  ASSERT_FALSE(way.empty()) << what;
  if (way.size() == 1) {
    EXPECT_TRUE(StartsPastTheCentre(last)) << what;
    ExpectEdge(what, true, -1);
    return;
  }
  ASSERT_GE(way.size(), 3u) << what;
  const bool horizontal = way.front().left != last.left;
  const int start = horizontal ? way.front().left : way.front().top;
  const int end = horizontal ? last.left : last.top;
  const int centre = horizontal ? centreLeft : centreTop;
  const int direction = end > start ? 1 : -1;
  const int steps = std::abs(end - start) / 32;
  EXPECT_EQ(steps + 1, static_cast<int>(way.size())) << what << ": each step from the start";
  ExpectEdge(what, horizontal, direction);
  for (size_t i = 1; i < way.size(); ++i) {
    const int moved = horizontal ? way[i].left - way[i - 1].left : way[i].top - way[i - 1].top;
    EXPECT_GT(moved * direction, 0) << what << ": the window only moves towards the centre";
  }
  const int past = (end - centre) * direction;
  EXPECT_GE(past, 0) << what;
  EXPECT_LT(past, 32) << what;
}

}  // namespace

TEST(WholeRun, FramesEachKindOfPictureAndSavesItBesideThePicture) {
  const PictureCase cases[] = {
      {"small landscape BMP", "My Photos", "beach.bmp", 400, 300, false, false, false, 400, 400, {5, 50, 395, 350}},
      {"large landscape JPEG", "My Photos", "hills.JPG", 800, 600, true, false, false, 600, 600, {5, 75, 595, 525}},
      {"portrait JPEG", "My Photos", "tower.jpeg", 300, 800, true, false, false, 800, 800, {250, 5, 550, 795}},
      {"square BMP in a dotted Japanese folder", "写真.2026 アルバム", "四角.bmp", 600, 600, false, false, false, 600,
       600, {0, 5, 600, 595}},
      {"gray JPEG named by two unquoted arguments", "My Photos", "gray.jpg", 200, 150, true, true, true, 200, 200,
       {5, 25, 195, 175}},
  };
  for (const PictureCase& c : cases) {
    SCOPED_TRACE(c.what);
    PictureFolder folder(c.folder);
    const Pixels pixels = Quarters(c.width, c.height);
    const std::string path =
        folder.Write(c.name, c.jpeg ? JpegFile(c.width, c.height, pixels, c.gray) : BmpFile(c.width, c.height, pixels));
    const std::string base = std::string(c.name).substr(0, std::string(c.name).rfind('.'));
    const std::string output = folder.Expect("ミロカテ ～ " + base + ".jpg");

    const RunResult run = RunOn(c.unquoted ? path : "\"" + path + "\"");
    EXPECT_EQ(0u, run.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    const SeenBox& box = run.boxes[0];
    EXPECT_TRUE(box.messageForm);
    EXPECT_EQ("ミロカテ", box.caption);
    EXPECT_EQ(std::to_string(c.clientWidth) + " x " + std::to_string(c.clientHeight) + " のミロカテ形式で保存しました。",
              box.text);
    EXPECT_EQ(std::vector<std::string>{"OK"}, box.buttons);
    EXPECT_EQ(c.clientWidth, run.client.right);
    EXPECT_EQ(c.clientHeight, run.client.bottom);
    ExpectEntryPath(c.what, run.path);

    const std::vector<uint8_t> file = ReadWholeFile(output);
    ASSERT_FALSE(file.empty()) << output;
    const auto segments = jpeg_markers::Segments(file);
    const jpeg_markers::Segment* frame = jpeg_markers::Find(segments, 0xC0);
    ASSERT_NE(nullptr, frame) << "baseline";
    ASSERT_EQ(3, frame->body[5]) << "three components, also for a gray picture";
    EXPECT_EQ(0x22, frame->body[7]) << "luminance sampled 2 by 2";
    EXPECT_EQ(0x11, frame->body[10]);
    EXPECT_EQ((std::vector<int>{6, 4, 4, 6}), jpeg_markers::FirstLuminanceRow(segments)) << "quality 80";
    int width = 0, height = 0;
    const Pixels saved = DecodeJpeg(file, width, height);
    ASSERT_EQ(c.clientWidth, width);
    ASSERT_EQ(c.clientHeight, height);
    ExpectFrame(c, saved);
  }
}

TEST(WholeRun, APictureThatArrivesInItsFirstTickIsSavedAsPainted) {
  // From the right edge of a wide screen (tests/app/at-minutes) a small window
  // starts past the centre: it is laid out, made ready and captured in one tick.
  const PictureCase cases[] = {
      {"BMP", "My Photos", "small.bmp", 150, 100, false, false, false, 150, 150, {5, 25, 145, 125}},
      {"JPEG", "My Photos", "small.jpg", 200, 150, true, false, false, 200, 200, {5, 25, 195, 175}},
  };
  for (const PictureCase& c : cases) {
    SCOPED_TRACE(c.what);
    PictureFolder folder(c.folder);
    const Pixels pixels = Quarters(c.width, c.height);
    const std::string path =
        folder.Write(c.name, c.jpeg ? JpegFile(c.width, c.height, pixels) : BmpFile(c.width, c.height, pixels));
    const std::string output = folder.Expect("ミロカテ ～ small.jpg");
    const RunResult run = RunOn("\"" + path + "\"");
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(std::to_string(c.clientWidth) + " x " + std::to_string(c.clientHeight) + " のミロカテ形式で保存しました。",
              run.boxes[0].text);
    ExpectEntryPath(c.what, run.path);
    int width = 0, height = 0;
    const Pixels saved = DecodeJpeg(ReadWholeFile(output), width, height);
    ASSERT_EQ(c.clientWidth, width);
    ExpectFrame(c, saved);
  }
}

TEST(WholeRun, AWideWindowIsMadeReadyOutOfSight) {
  // Wider than the screen once laid out, and long enough to decode that a window
  // standing on the screen meanwhile is seen.
  PictureFolder folder;
  const int width = 12000, height = 500;
  Pixels pixels(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = (i * 2654435761u) & 0xFFFFFF;
  const std::string path = folder.Write("wide.jpg", JpegFile(width, height, pixels));
  folder.Expect("ミロカテ ～ wide.jpg");
  const RunResult run = RunOn("\"" + path + "\"");
  ASSERT_EQ(1u, run.boxes.size());
  ASSERT_FALSE(run.path.empty());
  // Laid out, the window is seen on the screen only on its way in, centred
  // across its axis. (Before, the designed window waits at the edge.)
  const RECT last = run.path.back();
  const int finalWidth = last.right - last.left, finalHeight = last.bottom - last.top;
  const int centreLeft = (GetSystemMetrics(SM_CXSCREEN) - finalWidth) / 2;
  const int centreTop = (GetSystemMetrics(SM_CYSCREEN) - finalHeight) / 2;
  RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, seen;
  for (const RECT& rect : run.path) {
    if (rect.right - rect.left != finalWidth || !IntersectRect(&seen, &rect, &screen)) continue;
    EXPECT_TRUE(rect.top == centreTop || rect.left == centreLeft) << rect.left << "," << rect.top;
  }
  ExpectEntryPath("wide JPEG", run.path);
}

TEST(WholeRun, AnEarlierOutputIsReplaced) {
  PictureFolder folder;
  const std::string path = folder.Write("again.bmp", BmpFile(160, 120, Quarters(160, 120)));
  const std::string output = folder.Write("ミロカテ ～ again.jpg", std::vector<uint8_t>(100000, 'x'));
  const RunResult run = RunOn("\"" + path + "\"");
  EXPECT_EQ(0u, run.exitCode);
  const std::vector<uint8_t> file = ReadWholeFile(output);
  int width = 0, height = 0;
  EXPECT_FALSE(DecodeJpeg(file, width, height).empty());
  EXPECT_EQ(160, width);
  EXPECT_EQ(160, height);
  EXPECT_LT(file.size(), 100000u) << "nothing of the earlier file is left";
}

TEST(WholeRun, ATinyPictureIsSavedInTheSmallestSquareTheWindowSystemAllowed) {
  // A window cannot be as narrow as 40 pixels; the square takes the least width
  // it can have, and what it got is what is saved and reported.
  PictureFolder folder;
  const std::string path = folder.Write("tiny.bmp", BmpFile(40, 30, Quarters(40, 30)));
  const std::string output = folder.Expect("ミロカテ ～ tiny.jpg");
  const RunResult run = RunOn("\"" + path + "\"");
  EXPECT_EQ(0u, run.exitCode);
  int width = 0, height = 0;
  ASSERT_FALSE(DecodeJpeg(ReadWholeFile(output), width, height).empty());
  EXPECT_EQ(run.client.right, width);
  EXPECT_EQ(run.client.bottom, height);
  EXPECT_GT(width, 40);
  EXPECT_EQ(width, height);
  ASSERT_EQ(1u, run.boxes.size());
  EXPECT_EQ(std::to_string(width) + " x " + std::to_string(height) + " のミロカテ形式で保存しました。", run.boxes[0].text);
}

TEST(WholeRun, AFailedSaveIsShownAndTheWindowWaitsAtTheCentre) {
  PictureFolder folder;
  const std::string path = folder.Write("locked.bmp", BmpFile(160, 120, Quarters(160, 120)));
  const std::vector<uint8_t> earlier(5000, 'e');
  const std::string output = folder.Write("ミロカテ ～ locked.jpg", earlier);
  SetFileAttributesW(Wide(output).c_str(), FILE_ATTRIBUTE_READONLY);

  RunningProgram program("\"" + path + "\"");
  ASSERT_TRUE(program.Started());
  BoxWatcher watcher(program.ProcessId());
  ASSERT_TRUE(watcher.WaitFor(1, 15000));
  const std::vector<SeenBox> boxes = watcher.Seen();
  EXPECT_FALSE(boxes[0].messageForm) << "the failure display, not the report of a save";
  EXPECT_EQ("ファイル " + output + " を作成できません.", boxes[0].text);
  // The animation has stopped; the window stays at the centre until it is closed.
  // The tick that showed the box would have closed the window right after it; a
  // message sent now is handled only once that tick has ended.
  const HWND window = FindVisibleWindow(program.ProcessId(), "TMainForm1");
  ASSERT_NE(nullptr, window);
  DWORD_PTR reply = 0;
  EXPECT_NE(0, SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 15000, &reply));
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(program.Process(), 0));
  RECT rect;
  GetWindowRect(window, &rect);
  const int centreLeft = (GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2;
  const int centreTop = (GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2;
  const bool nearCentre = (rect.left - centreLeft >= -31 && rect.left - centreLeft <= 31 && rect.top == centreTop) ||
                          (rect.top - centreTop >= -31 && rect.top - centreTop <= 31 && rect.left == centreLeft) ||
                          StartsPastTheCentre(rect);
  EXPECT_TRUE(nearCentre) << rect.left << "," << rect.top;
  EXPECT_EQ(0u, program.Close(window));
  EXPECT_TRUE(watcher.WaitUntilQuiet());
  EXPECT_EQ(1u, watcher.Seen().size()) << "no report of a save";
  EXPECT_EQ(earlier, ReadWholeFile(output));
}

TEST(WholeRun, AnEmptyJpegEndsTheProgramWithoutWritingAnything) {
  PictureFolder folder;
  const std::string empty = folder.Write("empty.jpg", {});
  // It holds no picture: told so before any window moves, and the program ends.
  const RunResult run = RunOn("\"" + empty + "\"");
  EXPECT_EQ(0u, run.exitCode);
  ASSERT_EQ(1u, run.boxes.size());
  EXPECT_EQ("「empty.jpg」は、ミロカテで読み込める画像ではありません.", run.boxes[0].text);
  EXPECT_FALSE(folder.HoldsSavedPicture());
}

TEST(WholeRun, TheHeadlessRunClosesAWindowLeftOpenAfterTheLastBox) {
  // Without a screen nobody is there to close the window a failed save leaves at
  // the centre: the headless run does it through the close box, and says so.
  PictureFolder folder;
  const std::string path = folder.Write("locked.bmp", BmpFile(160, 120, Quarters(160, 120)));
  const std::string output = folder.Write("ミロカテ ～ locked.jpg", std::vector<uint8_t>(10, 'e'));
  SetFileAttributesW(Wide(output).c_str(), FILE_ATTRIBUTE_READONLY);
  const std::string printed = folder.Expect("printed.txt");
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const HANDLE out = CreateFileW(Wide(printed).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(out, INVALID_HANDLE_VALUE);
  const std::string program = ProgramPath();
  const std::string headless = program.substr(0, program.size() - strlen("mirokate.exe")) + "headless_run.exe";
  std::wstring command = Wide("\"" + headless + "\" \"" + program + "\" \"" + path + "\"");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = out;
  PROCESS_INFORMATION process{};
  const bool started =
      CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process) != FALSE;
  CloseHandle(out);
  ASSERT_TRUE(started) << path;
  DWORD exitCode = 99;
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 60000));
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(0u, exitCode);
  const std::vector<uint8_t> bytes = ReadWholeFile(printed);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(std::string::npos, text.find("ファイル " + output + " を作成できません.")) << text;
  EXPECT_NE(std::string::npos, text.find("closed it with its close box")) << text;
  EXPECT_EQ(std::string::npos, text.find("保存しました")) << text;
}
