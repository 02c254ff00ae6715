#include "engine/output_sink.h"

#include <algorithm>

namespace pf {
namespace {
constexpr std::size_t kChunk = 1 << 20;
}

std::optional<OutputSink> OutputSink::Create(const std::u16string& finalPath) {
  std::u16string temp = finalPath + os::UniqueSuffix() + u".tmp";
  auto file = os::CreateForWrite(temp);
  if (!file) return std::nullopt;
  return OutputSink(std::move(*file), std::move(temp), finalPath);
}

OutputSink::OutputSink(os::File file, std::u16string tempPath, std::u16string finalPath)
    : file_(std::move(file)), tempPath_(std::move(tempPath)), finalPath_(std::move(finalPath)) {}

OutputSink::~OutputSink() {
  if (committed_ || tempPath_.empty()) return;
  file_.Close();
  os::DeleteFileAt(tempPath_);
}

bool OutputSink::Write(const void* data, std::size_t size) {
  if (!file_.Write(data, size)) return false;
  written_ += size;
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
  if (!os::ReplaceWith(tempPath_, finalPath_)) return false;
  committed_ = true;
  return true;
}

}  // namespace pf
