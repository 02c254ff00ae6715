// Starts work on a thread of its own.
#pragma once
#include <functional>

#include "platform/win32/unique_handle.h"

namespace pf::ui {

// A new thread at normal priority with the default stack, running at once.
// Returns its handle; empty when it could not start (the work is dropped).
win::unique_handle StartWorkerThread(std::function<void()> work);

}  // namespace pf::ui
