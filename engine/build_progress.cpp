#include "engine/build_progress.h"

#include <mutex>
#include <utility>

namespace pf {
namespace {

BuildProgressHandler& Handler() {
  static BuildProgressHandler handler;
  return handler;
}

// The codec reports from its own threads.
std::mutex& ReportMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

BuildProgressHandler SetBuildProgressHandler(BuildProgressHandler handler) {
  std::lock_guard lock(ReportMutex());
  return std::exchange(Handler(), std::move(handler));
}

bool BuildProgressWatched() {
  std::lock_guard lock(ReportMutex());
  return static_cast<bool>(Handler());
}

void ReportBuildProgress(BuildStage stage, std::uint64_t done, std::uint64_t total) {
  std::lock_guard lock(ReportMutex());
  if (Handler()) Handler()(stage, done, total);
}

}  // namespace pf
