#include "engine/output_sink.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "engine/build_progress.h"

namespace pf {
namespace {

constexpr std::size_t kChunk = 1 << 20;

// The temporary files of the builds in progress. Creating, committing and
// cancelling hold the lock, so a Cancel never misses a file that is being
// made and never races a commit.
struct PendingOutputs {
  std::mutex mutex;
  std::atomic<bool> cancelled{false};
  std::vector<std::u16string> paths;
};

PendingOutputs& Pending() {
  static PendingOutputs pending;
  return pending;
}

void Forget(PendingOutputs& pending, const std::u16string& path) {
  auto it = std::find(pending.paths.begin(), pending.paths.end(), path);
  if (it != pending.paths.end()) pending.paths.erase(it);
}

// Beside the output, under a short name of its own: a name built on the
// output's would pass the 255 characters a file name may have, or the 260
// of a path, exactly when the output's name is long.
std::u16string TemporaryPathFor(const std::u16string& finalPath) {
  auto slash = finalPath.find_last_of(u"\\/");
  std::u16string folder = slash == std::u16string::npos ? u"" : finalPath.substr(0, slash + 1);
  return folder + u"pf" + os::UniqueSuffix() + u".tmp";
}

}  // namespace

void CancelOutputs() {
  auto& pending = Pending();
  std::lock_guard lock(pending.mutex);
  pending.cancelled = true;
  // The build thread's handle allows deletion: the file goes now, or when
  // that handle closes as the process ends.
  for (const auto& path : pending.paths) os::DeleteFileAt(path);
}

bool OutputsCancelled() {
  return Pending().cancelled.load();
}

std::optional<OutputSink> OutputSink::Create(const std::u16string& finalPath) {
  auto& pending = Pending();
  std::lock_guard lock(pending.mutex);
  if (pending.cancelled) return std::nullopt;
  std::u16string temp = TemporaryPathFor(finalPath);
  auto file = os::CreateNewDeletable(temp);
  if (!file) return std::nullopt;
  pending.paths.push_back(temp);
  return OutputSink(std::move(*file), std::move(temp), finalPath);
}

OutputSink::OutputSink(os::File file, std::u16string tempPath, std::u16string finalPath)
    : file_(std::move(file)), tempPath_(std::move(tempPath)), finalPath_(std::move(finalPath)) {}

OutputSink::~OutputSink() {
  if (committed_ || tempPath_.empty()) return;
  file_.Close();
  os::DeleteFileAt(tempPath_);
  auto& pending = Pending();
  std::lock_guard lock(pending.mutex);
  Forget(pending, tempPath_);
}

bool OutputSink::Write(const void* data, std::size_t size) {
  if (OutputsCancelled() || !file_.Write(data, size)) return false;
  written_ += size;
  if (expected_ > 0) ReportBuildProgress(BuildStage::kWriting, written_, expected_);
  return true;
}

OutputSink::Copy OutputSink::CopyFrom(os::File& from, std::uint64_t size) {
  if (chunk_.empty()) chunk_.resize(kChunk);
  while (size > 0) {
    auto want = static_cast<std::size_t>(std::min<std::uint64_t>(size, chunk_.size()));
    auto got = from.Read(chunk_.data(), want);
    if (!got || *got != want) return Copy::kReadFailed;
    if (!Write(chunk_.data(), want)) return Copy::kWriteFailed;
    size -= want;
  }
  return Copy::kDone;
}

bool OutputSink::Commit() {
  file_.Close();
  auto& pending = Pending();
  std::lock_guard lock(pending.mutex);
  if (pending.cancelled || !os::ReplaceWith(tempPath_, finalPath_)) return false;
  Forget(pending, tempPath_);
  committed_ = true;
  return true;
}

}  // namespace pf
