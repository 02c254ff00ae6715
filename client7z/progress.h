// The caller's progress callback as "a" and "x" feed it from the codec's
// own progress calls.
#pragma once
#include <cstdint>
#include <mutex>

#include "client7z/client7z.h"

namespace client7z {

// Keeps the promises of DecompressEx's contract whatever order the codec's
// threads report in: one call at a time, `done` never going down, `total`
// never below `done`. A cancel sticks: every later report says stop too.
class ProgressReport {
 public:
  ProgressReport() = default;
  ProgressReport(Client7zProgress callback, void* context)
      : callback_(callback), context_(context) {}
  ProgressReport(const ProgressReport&) = delete;
  ProgressReport& operator=(const ProgressReport&) = delete;

  // Each returns false once the caller asked to stop.
  bool Total(std::uint64_t total);
  bool Done(std::uint64_t done);
  // A call that succeeded ends at its total.
  void Finish();
  bool cancelled() const;

 private:
  bool Send();  // with mutex_ held

  Client7zProgress callback_ = nullptr;
  void* context_ = nullptr;
  mutable std::mutex mutex_;
  std::uint64_t done_ = 0;
  std::uint64_t total_ = 0;
  bool cancelled_ = false;
};

}  // namespace client7z
