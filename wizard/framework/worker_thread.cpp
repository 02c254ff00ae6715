#include "wizard/framework/worker_thread.h"

#include <memory>

namespace pf::ui {
namespace {
DWORD WINAPI Entry(void* parameter) {
  std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
  (*work)();
  return 0;
}
}  // namespace

win::unique_handle StartWorkerThread(std::function<void()> work) {
  auto owned = std::make_unique<std::function<void()>>(std::move(work));
  HANDLE thread = CreateThread(nullptr, 0, &Entry, owned.get(), 0, nullptr);
  // The thread owns the work from here on.
  if (thread) owned.release();
  return win::unique_handle(thread);
}

}  // namespace pf::ui
