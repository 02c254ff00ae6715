#include "client7z/progress.h"

namespace client7z {

bool ProgressReport::Total(std::uint64_t total) {
  std::lock_guard lock(mutex_);
  if (cancelled_) return false;
  // The codec may announce a smaller total after a first estimate: the
  // caller's bar never goes back.
  if (total <= total_) return true;
  total_ = total;
  return Send();
}

bool ProgressReport::Done(std::uint64_t done) {
  std::lock_guard lock(mutex_);
  if (cancelled_) return false;
  if (done <= done_) return Send();  // nothing new, but the caller may want to stop
  done_ = done;
  if (total_ < done_) total_ = done_;
  return Send();
}

void ProgressReport::Finish() {
  std::lock_guard lock(mutex_);
  if (cancelled_ || !callback_) return;
  done_ = total_;
  callback_(context_, done_, total_);
}

bool ProgressReport::cancelled() const {
  std::lock_guard lock(mutex_);
  return cancelled_;
}

bool ProgressReport::Send() {
  if (!callback_) return true;
  if (callback_(context_, done_, total_) != 0) cancelled_ = true;
  return !cancelled_;
}

}  // namespace client7z
