// The "x" command: an IArchiveExtractCallback that checks every entry's
// path before anything is written and keeps each file's time.
#include <memory>

#include "client7z/archive_reader.h"
#include "client7z/client7z.h"
#include "client7z/commands.h"
#include "client7z/file_streams.h"
#include "client7z/file_system.h"
#include "client7z/paths.h"

namespace client7z {
namespace {

class ExtractCallback final : public ComObject<IArchiveExtractCallback> {
 public:
  explicit ExtractCallback(std::wstring target) : target_(std::move(target)) {}
  void Attach(IInArchive* archive) { archive_ = archive; }

  STDMETHODIMP SetTotal(UInt64) noexcept override { return S_OK; }
  STDMETHODIMP SetCompleted(const UInt64*) noexcept override { return S_OK; }

  STDMETHODIMP GetStream(UInt32 index, ISequentialOutStream** outStream,
                         Int32 askExtractMode) noexcept override {
    *outStream = nullptr;
    current_ = nullptr;
    if (askExtractMode != NArchive::NExtract::NAskMode::kExtract) return S_OK;
    try {
      ItemProperty isDir(archive_, index, kpidIsDir);
      ItemProperty mtime(archive_, index, kpidMTime);
      std::optional<std::wstring> relative = EntryTargetPath(archive_, index);
      if (!relative) {
        Note(kClient7zUnsafeEntry);
        return S_OK;  // skipped: 7z.dll decodes past it and writes nothing
      }
      std::wstring full = target_ + L"\\" + *relative;
      bool folder = isDir.value().vt == VT_BOOL && isDir.value().boolVal != VARIANT_FALSE;
      if (folder) {
        if (!CreateFolders(full)) Note(kClient7zTargetWriteFailed);
        return S_OK;
      }
      if (!CreateFolders(FolderOf(full))) {
        Note(kClient7zTargetWriteFailed);
        return S_OK;
      }
      FileHandle file = CreateForWriting(full, false);
      if (!file) {
        Note(kClient7zTargetWriteFailed);
        return S_OK;
      }
      streams_.push_back(std::make_unique<OutFileStream>(std::move(file)));
      current_ = streams_.back().get();
      currentPath_ = full;
      hasTime_ = mtime.value().vt == VT_FILETIME;
      if (hasTime_)
        time_ = (static_cast<std::uint64_t>(mtime.value().filetime.dwHighDateTime) << 32) |
                mtime.value().filetime.dwLowDateTime;
    } catch (...) {
      Note(kClient7zInternalError);
      return E_OUTOFMEMORY;
    }
    *outStream = current_;
    current_->AddRef();
    return S_OK;
  }

  STDMETHODIMP PrepareOperation(Int32) noexcept override { return S_OK; }

  STDMETHODIMP SetOperationResult(Int32 opRes) noexcept override {
    if (!current_) return S_OK;
    OutFileStream* done = current_;
    current_ = nullptr;
    if (hasTime_ && opRes == NArchive::NExtract::NOperationResult::kOK)
      SetModified(done->file(), time_);
    bool closed = done->Close();
    if (opRes != NArchive::NExtract::NOperationResult::kOK || !closed) {
      // A damaged or short file is not left looking like a good one.
      RemoveFile(currentPath_);
      Note(opRes != NArchive::NExtract::NOperationResult::kOK ? kClient7zDataError
                                                              : kClient7zTargetWriteFailed);
    }
    return S_OK;
  }

  int failure() const { return failure_; }

 private:
  bool Accepts(REFIID iid) const override {
    return iid == IID_IArchiveExtractCallback || iid == IID_IProgress;
  }
  void Note(int code) {
    if (failure_ == kClient7zOk) failure_ = code;
  }

  IInArchive* archive_ = nullptr;
  std::wstring target_;
  std::vector<std::unique_ptr<OutFileStream>> streams_;
  OutFileStream* current_ = nullptr;
  std::wstring currentPath_;
  bool hasTime_ = false;
  std::uint64_t time_ = 0;
  int failure_ = kClient7zOk;
};

}  // namespace

int UnpackArchive(const Codec& codec, const ArchiveLocation& location,
                  const std::wstring& targetFolder) {
  std::wstring target = FullPath(targetFolder);
  if (FullPath(location.path).empty()) return kClient7zArchiveOpenFailed;
  if (target.empty()) return kClient7zTargetWriteFailed;
  while (target.size() > 7 && target.back() == L'\\') target.pop_back();

  ExtractCallback callback(target);  // outlives the handler
  OpenedArchive archive;
  if (int r = archive.Open(codec, location); r != kClient7zOk) return r;
  if (!CreateFolders(target)) return kClient7zTargetWriteFailed;
  callback.Attach(archive.get());
  HRESULT hr = archive.get()->Extract(nullptr, static_cast<UInt32>(-1), 0, &callback);
  int result = callback.failure();
  if (result == kClient7zOk && hr != S_OK)
    result = hr == E_OUTOFMEMORY ? kClient7zInternalError : kClient7zDataError;
  return result;
}

}  // namespace client7z
