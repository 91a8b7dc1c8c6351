#pragma once
// Events: a handler bound to its target, called with the sender. An unset event
// does nothing.

#include <functional>

class TComponent;

using TNotifyEvent = std::function<void(TComponent* sender)>;

inline void Fire(const TNotifyEvent& event, TComponent* sender) {
  if (event) event(sender);
}
