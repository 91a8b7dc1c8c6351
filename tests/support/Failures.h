#pragma once
// The message of the failure an action raises, for comparing with the exact text.

#include <string>
#include <utility>

#include "text/Exceptions.h"

// The message of the E the action raises; "(nothing thrown)" when it raises none.
template <class E = Exception, class F>
std::string MessageOf(F&& action) {
  try {
    std::forward<F>(action)();
  } catch (const E& failure) {
    return failure.Message();
  }
  return "(nothing thrown)";
}
