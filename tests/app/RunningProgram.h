#pragma once
// Running the real program as a user would start it, and the pictures and
// folders it is started on, for the tests that watch it from outside.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/WindowMoves.h"

// build\mirokate.exe, beside the folder of the test programs.
std::string ProgramPath();

// Whether a test reads the way the main window went (WindowMoves.h).
enum class Watch { kBoxes, kMoves };

// The program started with a command-line tail (and optionally another program
// file); killed if a test leaves it running.
class RunningProgram {
public:
  explicit RunningProgram(const std::string& arguments, const std::string& program = ProgramPath(),
                          Watch watch = Watch::kBoxes);
  // Arguments in any script, through the wide command line.
  explicit RunningProgram(const std::wstring& arguments, Watch watch = Watch::kBoxes);
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool Started() const { return started_; }
  DWORD ProcessId() const { return process_.dwProcessId; }
  HANDLE Process() const { return process_.hProcess; }

  // The main window once it is shown, or null after the timeout.
  HWND WaitForMainWindow(DWORD timeoutMs = 15000) const;
  // Posts the closing message (WM_CLOSE, or the close box's WM_SYSCOMMAND) and
  // gives the exit code.
  DWORD Close(HWND window, UINT message = WM_CLOSE);
  // The exit code once the program has ended by itself; 99 when it did not.
  DWORD WaitForExit(DWORD timeoutMs = 30000);
  // Every rectangle the main window has taken so far, in order, when started to
  // watch its moves; empty when the moves could not be watched.
  std::vector<RECT> Moves() const;
  bool WatchesMoves() const { return moves_ != nullptr && moves_->Hooked(); }

private:
  // Lets the process run, once its moves are watched when asked.
  void Begin(Watch watch);

  bool started_ = false;
  PROCESS_INFORMATION process_{};
  std::unique_ptr<WindowMoves> moves_;
};

// A new folder in the temporary folder, "mirokate <pid> <name>", made; its path.
std::wstring NewTempFolder(const std::wstring& name);

// Paths are UTF-8, as the program keeps them.
// A fresh folder, removed with everything written into it. Its path has a blank
// (…\mirokate <pid>\<subfolder>); the subfolder may hold any characters.
class PictureFolder {
public:
  explicit PictureFolder(const std::string& subfolder = "My Photos");
  ~PictureFolder();
  PictureFolder(const PictureFolder&) = delete;
  PictureFolder& operator=(const PictureFolder&) = delete;

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes);
  // Another file made in the folder (by the program), removed with it.
  std::string Expect(const std::string& name);
  const std::string& Folder() const { return folder_; }
  // Whether the program has saved a picture here (a name with its prefix).
  bool HoldsSavedPicture() const;

private:
  std::string root_, folder_;
  std::vector<std::string> files_;
};

std::vector<uint8_t> ReadWholeFile(const std::string& path);

// 0x00RRGGBB pixels, top row first.
using Pixels = std::vector<DWORD>;

// A 24-bit bottom-up BMP file of the pixels.
std::vector<uint8_t> BmpFile(int width, int height, const Pixels& pixels);
// A JPEG file of the pixels at quality 95, in colour or gray.
std::vector<uint8_t> JpegFile(int width, int height, const Pixels& pixels, bool gray = false);
// Decodes a JPEG file with the JPEG library alone; empty on failure.
Pixels DecodeJpeg(const std::vector<uint8_t>& file, int& width, int& height);
