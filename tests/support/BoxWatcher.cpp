#include "tests/support/BoxWatcher.h"

#include <chrono>

namespace {

struct Search {
  DWORD processId;
  const char* className;
  HWND found;
};

BOOL CALLBACK FindInProcess(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  if (process == search->processId && IsWindowVisible(window) && std::string(className) == search->className) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK ReadChild(HWND child, LPARAM parameter) {
  auto* box = reinterpret_cast<SeenBox*>(parameter);
  char className[64] = {};
  GetClassNameA(child, className, sizeof className);
  const std::string kind(className);
  const LONG style = GetWindowLongA(child, GWL_STYLE);
  if (kind == "Button") {
    box->buttons.push_back(WindowText(child));
  } else if (kind == "Static" && (style & SS_TYPEMASK) == SS_ICON) {
    const auto icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    box->stopIcon = icon != nullptr && icon == LoadIconA(nullptr, IDI_HAND);
  } else if (GetDlgCtrlID(child) == 0xFFFF) {
    box->text = WindowText(child);
  }
  return TRUE;
}

}  // namespace

std::string WindowText(HWND window) {
  char buffer[4096] = {};
  const int length = GetWindowTextA(window, buffer, sizeof buffer);
  return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

void PressKey(WORD key) {
  INPUT inputs[2] = {};
  inputs[0].type = INPUT_KEYBOARD;
  inputs[0].ki.wVk = key;
  inputs[1] = inputs[0];
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
}

BoxWatcher::BoxWatcher(DWORD processId, WORD key, std::function<void(HWND)> onSeen)
    : processId_(processId), key_(key), onSeen_(std::move(onSeen)), thread_([this] { Watch(); }) {}

BoxWatcher::~BoxWatcher() {
  stop_ = true;
  thread_.join();
}

HWND FindVisibleWindow(DWORD processId, const char* className) {
  Search search{processId, className, nullptr};
  EnumWindows(FindInProcess, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND BoxWatcher::FindBox() const { return FindVisibleWindow(processId_, "#32770"); }

void BoxWatcher::Watch() {
  while (!stop_) {
    const HWND box = FindBox();
    if (box == nullptr) {
      Sleep(20);
      continue;
    }
    SeenBox seen;
    seen.caption = WindowText(box);
    EnumChildWindows(box, ReadChild, reinterpret_cast<LPARAM>(&seen));
    if (onSeen_) onSeen_(box);
    // Answer as a person would: bring the box to the front and press the key,
    // again now and then until the box has gone.
    for (int attempt = 0; IsWindow(box) && IsWindowVisible(box) && !stop_; ++attempt) {
      if (attempt % 25 == 0) {
        SetForegroundWindow(box);
        PressKey(key_);
      }
      Sleep(20);
    }
    std::lock_guard<std::mutex> guard(lock_);
    seen_.push_back(seen);
  }
}

bool BoxWatcher::WaitFor(size_t count, DWORD timeoutMs) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (seen_.size() >= count) return true;
    }
    Sleep(20);
  }
  return false;
}

std::vector<SeenBox> BoxWatcher::Seen() const {
  std::lock_guard<std::mutex> guard(lock_);
  return seen_;
}
