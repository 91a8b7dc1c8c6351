#include "tests/app/RunningProgram.h"

#include <csetjmp>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

#include "tests/support/BoxWatcher.h"
#include "tests/support/LibraryJpeg.h"
#include "text/FileNames.h"
#include "text/Utf16.h"

std::string ProgramPath() {
  std::string path = ModuleFileName(nullptr);
  path.resize(path.find_last_of('\\') + 1);  // build\tests\ ...
  return path + "..\\mirokate.exe";
}

RunningProgram::RunningProgram(const std::string& arguments, const std::string& program, Watch watch) {
  std::wstring commandLine = Wide("\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  started_ = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                            &startup, &process_) != FALSE;
  Begin(watch);
}

RunningProgram::RunningProgram(const std::wstring& arguments, Watch watch) {
  std::wstring commandLine = L"\"" + Wide(ProgramPath()) + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  started_ = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                            &startup, &process_) != FALSE;
  Begin(watch);
}

void RunningProgram::Begin(Watch watch) {
  if (!started_) return;
  // Recorded from before its thread runs, so the window's first move is too.
  if (watch == Watch::kMoves) moves_ = std::make_unique<WindowMoves>(process_.dwProcessId);
  ResumeThread(process_.hThread);
}

std::vector<RECT> RunningProgram::Moves() const { return moves_ != nullptr ? moves_->Path() : std::vector<RECT>(); }

RunningProgram::~RunningProgram() {
  if (!started_) return;
  if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) {
    TerminateProcess(process_.hProcess, 99);
    WaitForSingleObject(process_.hProcess, 5000);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

HWND RunningProgram::WaitForMainWindow(DWORD timeoutMs) const {
  for (DWORD waited = 0; waited < timeoutMs; waited += 10) {
    if (const HWND window = FindVisibleWindow(process_.dwProcessId, "TMainForm1")) return window;
    if (WaitForSingleObject(process_.hProcess, 10) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

DWORD RunningProgram::Close(HWND window, UINT message) {
  if (message == WM_SYSCOMMAND) {
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  } else {
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  return WaitForExit(15000);
}

DWORD RunningProgram::WaitForExit(DWORD timeoutMs) {
  if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return 99;
  DWORD exitCode = 99;
  GetExitCodeProcess(process_.hProcess, &exitCode);
  return exitCode;
}

std::wstring NewTempFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"mirokate " + std::to_wstring(GetCurrentProcessId()) + L" " + name;
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

PictureFolder::PictureFolder(const std::string& subfolder) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  root_ = Utf8(temp) + "mirokate " + std::to_string(GetCurrentProcessId());
  CreateDirectoryW(Wide(root_).c_str(), nullptr);
  folder_ = root_ + "\\" + subfolder;
  CreateDirectoryW(Wide(folder_).c_str(), nullptr);
}

PictureFolder::~PictureFolder() {
  for (const std::string& file : files_) {
    SetFileAttributesW(Wide(file).c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(Wide(file).c_str());
  }
  RemoveDirectoryW(Wide(folder_).c_str());
  RemoveDirectoryW(Wide(root_).c_str());
}

std::string PictureFolder::Write(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = Expect(name);
  std::ofstream(Wide(path).c_str(), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::string PictureFolder::Expect(const std::string& name) {
  const std::string path = folder_ + "\\" + name;
  files_.push_back(path);
  return path;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream file(Wide(path).c_str(), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> BmpFile(int width, int height, const Pixels& pixels) {
  const int stride = (width * 3 + 3) & ~3;
  const int size = 54 + stride * height;
  std::vector<uint8_t> bytes(static_cast<size_t>(size), 0);
  const auto put32 = [&](int at, int value) {
    for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(at + i)] = static_cast<uint8_t>(value >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, width);
  put32(22, height);
  bytes[26] = 1;
  bytes[28] = 24;
  for (int y = 0; y < height; ++y) {
    // Bottom-up: the file's first row is the picture's last.
    const DWORD* row = &pixels[static_cast<size_t>(height - 1 - y) * width];
    for (int x = 0; x < width; ++x) {
      uint8_t* at = &bytes[static_cast<size_t>(54 + y * stride + x * 3)];
      at[0] = static_cast<uint8_t>(row[x]);
      at[1] = static_cast<uint8_t>(row[x] >> 8);
      at[2] = static_cast<uint8_t>(row[x] >> 16);
    }
  }
  return bytes;
}

std::vector<uint8_t> JpegFile(int width, int height, const Pixels& pixels, bool gray) {
  return LibraryJpeg(
      width, height, 4, JCS_EXT_BGRX,
      [&](int y) { return reinterpret_cast<const uint8_t*>(&pixels[static_cast<size_t>(y) * width]); },
      [gray](jpeg_compress_struct& cinfo) {
        if (gray) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
        jpeg_set_quality(&cinfo, 95, TRUE);
      });
}

namespace {

// The library's C frames cannot be unwound, so its failure jumps back instead.
struct JumpingErrors {
  jpeg_error_mgr pub;
  jmp_buf back;
};

void JumpBack(j_common_ptr cinfo) { longjmp(reinterpret_cast<JumpingErrors*>(cinfo->err)->back, 1); }

}  // namespace

Pixels DecodeJpeg(const std::vector<uint8_t>& file, int& width, int& height) {
  jpeg_decompress_struct cinfo{};
  JumpingErrors errors{};
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = JumpBack;
  jpeg_create_decompress(&cinfo);
  // Made before the jump point, so a jump back skips no destructor.
  Pixels pixels;
  if (setjmp(errors.back) == 0) {
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo);
    width = static_cast<int>(cinfo.output_width);
    height = static_cast<int>(cinfo.output_height);
    pixels.resize(static_cast<size_t>(width) * height);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW rows[1] = {reinterpret_cast<JSAMPROW>(&pixels[cinfo.output_scanline * width])};
      jpeg_read_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_decompress(&cinfo);
    for (DWORD& pixel : pixels) pixel &= 0xFFFFFF;
  } else {
    pixels.clear();
  }
  jpeg_destroy_decompress(&cinfo);
  return pixels;
}

bool PictureFolder::HoldsSavedPicture() const {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(Wide(folder_ + "\\ミロカテ*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}
