#pragma once
// Finds the message boxes a process shows, reads them as a person would see
// them and answers them with a key press, from a thread of its own.

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SeenBox {
  std::string caption;
  std::string text;
  std::vector<std::string> buttons;
  bool stopIcon = false;  // the icon is the system's stop icon (same process only)
};

class BoxWatcher {
public:
  // Watches the process's top-level dialog windows (class #32770) and answers
  // each with the key. `onSeen` runs on the watcher thread while the box is open.
  explicit BoxWatcher(DWORD processId = GetCurrentProcessId(), WORD key = VK_RETURN,
                      std::function<void(HWND)> onSeen = nullptr);
  ~BoxWatcher();
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;

  // Waits until that many boxes have been seen and answered.
  bool WaitFor(size_t count, DWORD timeoutMs = 10000) const;
  std::vector<SeenBox> Seen() const;

private:
  void Watch();
  HWND FindBox() const;

  DWORD processId_;
  WORD key_;
  std::function<void(HWND)> onSeen_;
  std::atomic<bool> stop_{false};
  mutable std::mutex lock_;
  std::vector<SeenBox> seen_;
  std::thread thread_;
};

// The first visible top-level window of the process with that class, or null.
HWND FindVisibleWindow(DWORD processId, const char* className);
// Presses and releases a key through the system's input queue.
void PressKey(WORD key);
std::string WindowText(HWND window);
