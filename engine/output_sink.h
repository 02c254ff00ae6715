// The package is written to a temporary file beside the output and moved
// over it only when complete, so memory stays bounded whatever the payload,
// and a failed build leaves neither a partial file nor a damaged old one.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/os.h"

namespace pf {

class OutputSink {
 public:
  // Creates the temporary file for `finalPath`; nothing when it cannot.
  static std::optional<OutputSink> Create(const std::u16string& finalPath);
  OutputSink(OutputSink&&) noexcept = default;
  OutputSink& operator=(OutputSink&&) = delete;
  ~OutputSink();

  bool Write(const void* data, std::size_t size);
  enum class Copy { kDone, kReadFailed, kWriteFailed };
  // Copies exactly `size` bytes from `from`; a file that ends early counts
  // as a failed read.
  Copy CopyFrom(os::File& from, std::uint64_t size);
  // Closes the temporary file and moves it over the final path; refused
  // after CancelOutputs.
  bool Commit();
  // The package's size when complete: from then on each write is reported
  // as build progress.
  void ExpectSize(std::uint64_t size) { expected_ = size; }

  std::uint64_t written() const { return written_; }
  const std::u16string& temporaryPath() const { return tempPath_; }
  const std::u16string& finalPath() const { return finalPath_; }

 private:
  OutputSink(os::File file, std::u16string tempPath, std::u16string finalPath);
  os::File file_;
  std::u16string tempPath_;
  std::u16string finalPath_;
  std::vector<std::uint8_t> chunk_;
  std::uint64_t written_ = 0;
  std::uint64_t expected_ = 0;
  bool committed_ = false;
};

// A Cancel that ends the process calls this first: every temporary output
// file is deleted (also while a build thread still writes it), and no
// output may be created, written or committed afterwards, so the
// destination keeps exactly what it held before the build.
void CancelOutputs();
bool OutputsCancelled();

}  // namespace pf
