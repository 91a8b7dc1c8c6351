#include "gdi/AfterMessage.h"

#include <vector>

namespace {

// Made on first use, so that steps added by other files' start-up find it.
std::vector<AfterMessageStep>& Steps() {
  static std::vector<AfterMessageStep> steps;
  return steps;
}

}  // namespace

void AddAfterMessageStep(AfterMessageStep step) { Steps().push_back(step); }

void RunAfterMessageSteps() {
  for (AfterMessageStep step : Steps()) step();
}
