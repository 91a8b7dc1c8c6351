#pragma once
// Events: a handler bound to its target, called with the sender. An unset event
// does nothing.

#include <windows.h>

#include <functional>

class TComponent;

using TNotifyEvent = std::function<void(TComponent* sender)>;

// The modifier keys held with a key.
enum TShiftStateFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
using TShiftState = unsigned;

// A key going down: the handler may set the key to 0 to keep it from going further.
using TKeyEvent = std::function<void(TComponent* sender, WORD& key, TShiftState shift)>;

inline void Fire(const TNotifyEvent& event, TComponent* sender) {
  if (event) event(sender);
}
