#include "tests/support/BoxWatcher.h"

#include <chrono>
#include <cwchar>

namespace {

// The texts are read wide and handed out as UTF-8, as the program keeps them.
std::string Utf8Of(const wchar_t* wide, int length) {
  if (length <= 0) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide, length, &text[0], size, nullptr, nullptr);
  return text;
}

std::string ClassNameOf(HWND window) {
  wchar_t name[64] = {};
  return Utf8Of(name, GetClassNameW(window, name, 64));
}

struct Search {
  DWORD processId;
  const char* className;
  HWND found;
};

BOOL CALLBACK FindInProcess(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == search->processId && IsWindowVisible(window) && ClassNameOf(window) == search->className) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK ReadChild(HWND child, LPARAM parameter) {
  auto* box = reinterpret_cast<SeenBox*>(parameter);
  const std::string kind = ClassNameOf(child);
  const LONG style = GetWindowLongW(child, GWL_STYLE);
  if (kind == "Button") {
    box->buttons.push_back(WindowText(child));
  } else if (kind == "Static" && (style & SS_TYPEMASK) == SS_ICON) {
    const auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    box->stopIcon = icon != nullptr && icon == LoadIconW(nullptr, IDI_HAND);
  } else if (GetDlgCtrlID(child) == 0xFFFF) {
    box->text = WindowText(child);
  }
  return TRUE;
}

}  // namespace

std::string WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  return Utf8Of(text.data(), GetWindowTextW(window, &text[0], static_cast<int>(text.size())));
}

void PressChord(const std::vector<WORD>& keys) {
  std::vector<INPUT> inputs;
  const auto add = [&inputs](WORD key, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = flags;
    inputs.push_back(input);
  };
  for (const WORD key : keys) add(key, 0);
  for (auto it = keys.rbegin(); it != keys.rend(); ++it) add(*it, KEYEVENTF_KEYUP);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return "(clipboard busy)";
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = Utf8Of(wide, static_cast<int>(wcsnlen(wide, GlobalSize(data) / sizeof(wchar_t))));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

void ParseCopyText(const std::string& copied, SeenBox& box) {
  const std::string divider = std::string(27, '-') + "\r\n";
  std::vector<std::string> parts;
  size_t at = 0;
  while (true) {
    const size_t next = copied.find(divider, at);
    parts.push_back(copied.substr(at, next == std::string::npos ? std::string::npos : next - at));
    if (next == std::string::npos) break;
    at = next + divider.size();
  }
  // "", caption, text, button line, "" - each but the last ending in CR LF.
  if (parts.size() != 5) return;
  const auto line = [](const std::string& part) {
    return part.size() >= 2 && part.compare(part.size() - 2, 2, "\r\n") == 0 ? part.substr(0, part.size() - 2) : part;
  };
  box.caption = line(parts[1]);
  box.text = line(parts[2]);
  const std::string buttons = line(parts[3]);
  for (size_t from = 0; from < buttons.size();) {
    const size_t gap = buttons.find("   ", from);
    box.buttons.push_back(buttons.substr(from, gap == std::string::npos ? std::string::npos : gap - from));
    if (gap == std::string::npos) break;
    from = gap + 3;
  }
}

namespace {

using Clock = std::chrono::steady_clock;

// A key pressed while its box is in front reaches the box, however long the box
// then takes over it. Pressed again sooner, it could answer the box after it.
// So a key is pressed again only when the box has not acted on it for this long:
// a last resort for a key that was lost, never a way to hurry a slow box.
constexpr auto kPressAgainAfter = std::chrono::seconds(5);

// Presses the box's copy key and reads what it put on the clipboard. The box
// holds the clipboard open from before it changes it until its text is in, so
// the clipboard is read once it has changed and the box has let it go.
std::string CopyTextOf(HWND box) {
  const DWORD before = GetClipboardSequenceNumber();
  const auto deadline = Clock::now() + std::chrono::seconds(15);
  auto pressed = Clock::time_point();
  bool tried = false;
  while (IsWindow(box) && Clock::now() < deadline) {
    if (GetClipboardSequenceNumber() != before) {
      const std::string text = ClipboardText();
      if (text != "(clipboard busy)") return text;
    } else if (!tried || Clock::now() - pressed >= kPressAgainAfter) {
      tried = PressInFront(box, {VK_CONTROL, 'C'});
      pressed = Clock::now();
    }
    Sleep(20);
  }
  return std::string();
}

}  // namespace

bool BringToFront(HWND window) {
  const auto deadline = Clock::now() + std::chrono::seconds(2);
  for (int attempt = 0; IsWindow(window) && Clock::now() < deadline; ++attempt) {
    if (attempt % 25 == 0) SetForegroundWindow(window);
    if (GetForegroundWindow() == window) return true;
    Sleep(20);
  }
  return false;
}

bool PressInFront(HWND window, const std::vector<WORD>& keys) {
  if (!BringToFront(window)) return false;
  PressChord(keys);
  return true;
}

BoxWatcher::BoxWatcher(DWORD processId, WORD key, std::function<void(HWND)> onSeen)
    : BoxWatcher(processId, std::vector<WORD>{key}, std::move(onSeen)) {}

BoxWatcher::BoxWatcher(DWORD processId, std::vector<WORD> keys, std::function<void(HWND)> onSeen)
    : processId_(processId), keys_(std::move(keys)), onSeen_(std::move(onSeen)), thread_([this] { Watch(); }) {}

WORD BoxWatcher::NextKey() {
  if (keys_.empty()) return VK_RETURN;
  const WORD key = keys_.front();
  if (keys_.size() > 1) keys_.erase(keys_.begin());
  return key;
}

BoxWatcher::~BoxWatcher() {
  stop_ = true;
  thread_.join();
}

HWND FindVisibleWindow(DWORD processId, const char* className) {
  Search search{processId, className, nullptr};
  EnumWindows(FindInProcess, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindOpenBox(DWORD processId) {
  if (const HWND box = FindVisibleWindow(processId, "#32770")) return box;
  return FindVisibleWindow(processId, "TMessageForm");
}

void BoxWatcher::Watch() {
  while (!stop_) {
    const unsigned search = ++searches_;
    const HWND box = FindOpenBox(processId_);
    if (box == nullptr) {
      lastEmptySearch_ = search;
      Sleep(20);
      continue;
    }
    SeenBox seen;
    seen.messageForm = ClassNameOf(box) == "TMessageForm";
    if (seen.messageForm) {
      seen.copied = CopyTextOf(box);
      ParseCopyText(seen.copied, seen);
    } else {
      seen.caption = WindowText(box);
      EnumChildWindows(box, ReadChild, reinterpret_cast<LPARAM>(&seen));
    }
    if (onSeen_) onSeen_(box);
    // Answer as a person would: bring the box to the front and press the key (or
    // click the close box), and wait until the box has gone.
    const WORD key = NextKey();
    auto pressed = Clock::time_point();
    bool answered = false;
    while (IsWindow(box) && IsWindowVisible(box) && !stop_) {
      if (!answered || Clock::now() - pressed >= kPressAgainAfter) {
        if (key == kCloseBox) {
          answered = PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE;
        } else {
          answered = PressInFront(box, {key});
        }
        pressed = Clock::now();
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

bool BoxWatcher::WaitUntilQuiet(DWORD timeoutMs) const {
  // A search already under way may have begun before the last box closed.
  const unsigned firstFresh = searches_ + 1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (lastEmptySearch_ < firstFresh) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Sleep(10);
  }
  return true;
}

std::vector<SeenBox> BoxWatcher::Seen() const {
  std::lock_guard<std::mutex> guard(lock_);
  return seen_;
}
