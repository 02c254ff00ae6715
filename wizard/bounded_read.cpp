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
  std::optional<std::vector<std::uint8_t>> bytes;
};

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadFilePrefixWithin(const std::u16string& path,
                                                              std::size_t maxBytes,
                                                              std::chrono::milliseconds limit) {
  auto pending = std::make_shared<PendingRead>();
  try {
    std::thread([pending, path, maxBytes] {
      auto bytes = os::ReadFilePrefix(path, maxBytes);
      std::lock_guard lock(pending->mutex);
      pending->bytes = std::move(bytes);
      pending->done = true;
      pending->finished.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return std::nullopt;  // no thread: as unreadable
  }
  std::unique_lock lock(pending->mutex);
  if (!pending->finished.wait_for(lock, limit, [&] { return pending->done; })) return std::nullopt;
  return std::move(pending->bytes);
}

}  // namespace pf
