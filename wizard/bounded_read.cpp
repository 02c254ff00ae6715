#include "wizard/bounded_read.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/os.h"

namespace pf {
namespace {

// Shared by the caller and the reading thread: whichever finishes last
// frees it.
struct PendingRead {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  std::optional<FileHead> head;
};

}  // namespace

std::optional<FileHead> ReadFileHeadWithin(const std::u16string& path, std::size_t maxBytes,
                                           std::chrono::milliseconds limit) {
  auto pending = std::make_shared<PendingRead>();
  try {
    std::thread([pending, path, maxBytes] {
      std::optional<FileHead> head;
      if (auto bytes = os::ReadFilePrefix(path, maxBytes)) {
        if (auto size = os::StatSize(path)) head = FileHead{std::move(*bytes), *size};
      }
      std::lock_guard lock(pending->mutex);
      pending->head = std::move(head);
      pending->done = true;
      pending->finished.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return std::nullopt;  // no thread: as unreadable
  }
  std::unique_lock lock(pending->mutex);
  if (!pending->finished.wait_for(lock, limit, [&] { return pending->done; })) return std::nullopt;
  return std::move(pending->head);
}

}  // namespace pf
