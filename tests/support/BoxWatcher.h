#pragma once
// Finds the boxes a process shows, reads them as a person would and answers
// them with a key press, from a thread of its own. Two kinds are known: the
// system's message box (class #32770), read from its controls, and the
// program's own message form, read through its copy key (Ctrl+C).

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
  bool stopIcon = false;     // the icon is the system's stop icon (same process only)
  bool messageForm = false;  // the program's own box rather than the system's
  std::string copied;        // what the copy key put on the clipboard (own box)
};

// An answer that is no key: the box's close box.
constexpr WORD kCloseBox = 0;

class BoxWatcher {
public:
  // Watches the process's top-level dialog windows (class #32770) and answers
  // each with the key. `onSeen` runs on the watcher thread while the box is open.
  explicit BoxWatcher(DWORD processId = GetCurrentProcessId(), WORD key = VK_RETURN,
                      std::function<void(HWND)> onSeen = nullptr);
  // Answers the boxes with the keys in turn; the last one answers all later boxes.
  BoxWatcher(DWORD processId, std::vector<WORD> keys, std::function<void(HWND)> onSeen = nullptr);
  ~BoxWatcher();
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;

  // Waits until that many boxes have been seen and answered.
  bool WaitFor(size_t count, DWORD timeoutMs = 10000) const;
  // Waits until the watcher has looked for boxes afresh, after this call, and
  // found none: every box shown and closed before the call is in Seen() by then.
  // For a watched program that has ended, or after the call that showed the
  // boxes has returned, this is exactly the moment Seen() is complete.
  bool WaitUntilQuiet(DWORD timeoutMs = 10000) const;
  std::vector<SeenBox> Seen() const;

private:
  void Watch();
  WORD NextKey();

  DWORD processId_;
  std::vector<WORD> keys_;
  std::function<void(HWND)> onSeen_;
  std::atomic<bool> stop_{false};
  // Searches begun, and the last search that found no box.
  std::atomic<unsigned> searches_{0};
  std::atomic<unsigned> lastEmptySearch_{0};
  mutable std::mutex lock_;
  std::vector<SeenBox> seen_;
  std::thread thread_;
};

// The first visible top-level window of the process with that class, or null.
HWND FindVisibleWindow(DWORD processId, const char* className);
// A box the process shows now (the system's message box or its own), or null.
HWND FindOpenBox(DWORD processId);
// Presses the keys together through the system's input queue, as a person
// would: down in order, up in reverse.
void PressChord(const std::vector<WORD>& keys);
// Brings the window to the front and waits (a while) until it is there.
bool BringToFront(HWND window);
// Brings the window to the front, waits until it is there, and then presses the
// keys as PressChord does; false when it never came to the front. A key pressed
// so reaches the window: pressing it again soon after, because the window is
// slow to act, could answer whatever window comes to the front next.
bool PressInFront(HWND window, const std::vector<WORD>& keys);
// The clipboard's text, or "(clipboard busy)" when it cannot be opened.
std::string ClipboardText();
// Reads an own message box's texts from its copy text (dividers of 27 "-").
void ParseCopyText(const std::string& copied, SeenBox& box);
std::string WindowText(HWND window);
