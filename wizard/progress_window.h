// The "Processing..." window shown while a build runs.
#pragma once
#include <atomic>

namespace pf {

// Shows the window and keeps this thread's windows served until
// `completed` is non-zero; then destroys it and returns 1.
int RunProgressWindow(const std::atomic<int>& completed);

}  // namespace pf
