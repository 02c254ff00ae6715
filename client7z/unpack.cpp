// The "x" command: an IArchiveExtractCallback that checks every entry's
// path before anything is written and keeps each file's time. It remembers
// what it wrote, so a cancelled call can take all of it back: a file that
// was already in the target is replaced only after the whole archive came
// out (its replacement waits beside it), and the files and folders the call
// created are removed.
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
  ExtractCallback(std::wstring target, const Password& password, ProgressReport& progress)
      : target_(std::move(target)), password_(password), progress_(progress) {}
  void Attach(IInArchive* archive) { archive_ = archive; }
  std::vector<std::wstring>& madeFolders() { return madeFolders_; }

  // An archive whose names are readable may still hold encrypted data.
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    return password_.Answers(iid, out) ? S_OK : ComObject::QueryInterface(iid, out);
  }

  // The codec counts the unpacked bytes; E_ABORT stops it.
  STDMETHODIMP SetTotal(UInt64 total) noexcept override {
    return progress_.Total(total) ? S_OK : E_ABORT;
  }
  STDMETHODIMP SetCompleted(const UInt64* done) noexcept override {
    return !done || progress_.Done(*done) ? S_OK : E_ABORT;
  }

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
        if (!CreateFolders(full, &madeFolders_)) Note(kClient7zTargetWriteFailed);
        return S_OK;
      }
      if (!CreateFolders(FolderOf(full), &madeFolders_)) {
        Note(kClient7zTargetWriteFailed);
        return S_OK;
      }
      // Something already at that path (a file of the target, or one this
      // call wrote for an earlier entry of the same name) is replaced last.
      bool replaces = Exists(full);
      std::wstring path = replaces ? full + L"." + std::to_wstring(ProcessId()) + L".part" : full;
      FileHandle file = CreateForWriting(path, false);
      if (!file) {
        Note(kClient7zTargetWriteFailed);
        return S_OK;
      }
      written_.push_back(path);
      if (replaces) replacements_.push_back({path, full});
      streams_.push_back(std::make_unique<OutFileStream>(std::move(file)));
      current_ = streams_.back().get();
      currentPath_ = path;
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
    if (!current_) {
      // Data that fails before a file is opened is reported for an entry
      // the handler only tests: it still means the entry did not come out.
      if (opRes != NArchive::NExtract::NOperationResult::kOK) Note(DataFailure(opRes));
      return S_OK;
    }
    OutFileStream* done = current_;
    current_ = nullptr;
    if (hasTime_ && opRes == NArchive::NExtract::NOperationResult::kOK)
      SetModified(done->file(), time_);
    bool closed = done->Close();
    if (opRes != NArchive::NExtract::NOperationResult::kOK || !closed) {
      // A damaged or short file is not left looking like a good one.
      RemoveFile(currentPath_);
      Note(opRes == NArchive::NExtract::NOperationResult::kOK ? kClient7zTargetWriteFailed
                                                              : DataFailure(opRes));
    }
    return S_OK;
  }

  // The names were encrypted and opened with the password: it is right, and
  // bad data after that is damage.
  void PasswordProven() { passwordProven_ = true; }
  // Why the handler stopped with `hr`, when nothing was noted on the way.
  int StopFailure(HRESULT hr) const {
    if (hr == E_OUTOFMEMORY) return kClient7zInternalError;
    return password_.asked() && !passwordProven_ ? password_.failure() : kClient7zDataError;
  }
  // A file the handler stopped in the middle of is not left behind.
  void Abandon() {
    if (!current_) return;
    current_->Close();
    current_ = nullptr;
    RemoveFile(currentPath_);
  }
  int failure() const { return failure_; }

  // After an extraction that was not cancelled: each replacement takes the
  // place of the file it waited beside.
  void Replace() {
    CloseAll();
    for (const auto& [part, final] : replacements_) {
      if (!Exists(part)) continue;  // damaged
      if (!RenameOver(part, final)) {
        RemoveFile(part);
        Note(kClient7zTargetWriteFailed);
      }
    }
  }

  // After a cancel: every file this call created goes, then every folder it
  // made (innermost first); what the target held before is left alone.
  void TakeBack() {
    CloseAll();
    for (const auto& path : written_) RemoveFile(path);
    for (auto f = madeFolders_.rbegin(); f != madeFolders_.rend(); ++f) RemoveFolder(*f);
  }

 private:
  void CloseAll() {
    current_ = nullptr;
    for (auto& stream : streams_) stream->Close();
  }

  bool Accepts(REFIID iid) const override {
    return iid == IID_IArchiveExtractCallback || iid == IID_IProgress;
  }
  // Data that does not decode. Where the archive's names were readable
  // without a password, an encrypted entry cannot tell a wrong password
  // from damage (7z reports both as a data error): the password is blamed.
  int DataFailure(Int32 opRes) const {
    if (opRes == NArchive::NExtract::NOperationResult::kWrongPassword ||
        (password_.asked() && !passwordProven_))
      return password_.failure();
    return kClient7zDataError;
  }
  void Note(int code) {
    if (failure_ == kClient7zOk) failure_ = code;
  }

  IInArchive* archive_ = nullptr;
  std::wstring target_;
  PasswordAnswer password_;
  ProgressReport& progress_;
  std::vector<std::unique_ptr<OutFileStream>> streams_;
  std::vector<std::wstring> written_;  // every file created, replacements included
  std::vector<std::pair<std::wstring, std::wstring>> replacements_;  // written, final
  std::vector<std::wstring> madeFolders_;                            // outermost first
  OutFileStream* current_ = nullptr;
  std::wstring currentPath_;
  bool hasTime_ = false;
  std::uint64_t time_ = 0;
  bool passwordProven_ = false;
  int failure_ = kClient7zOk;
};

}  // namespace

int UnpackArchive(const Codec& codec, const ArchiveLocation& location,
                  const std::wstring& targetFolder, const Password& password,
                  ProgressReport& progress) {
  std::wstring target = FullPath(targetFolder);
  if (FullPath(location.path).empty()) return kClient7zArchiveOpenFailed;
  if (target.empty()) return kClient7zTargetWriteFailed;
  while (target.size() > 7 && target.back() == L'\\') target.pop_back();

  ExtractCallback callback(target, password, progress);  // outlives the handler
  OpenedArchive archive(password);
  if (int r = archive.Open(codec, location); r != kClient7zOk) return r;
  if (!CreateFolders(target, &callback.madeFolders())) return kClient7zTargetWriteFailed;
  callback.Attach(archive.get());
  archive.UseDecodingThreads();
  if (archive.passwordProven()) callback.PasswordProven();
  HRESULT hr = archive.get()->Extract(nullptr, static_cast<UInt32>(-1), 0, &callback);
  if (progress.cancelled()) {
    callback.TakeBack();
    return kClient7zCancelled;
  }
  if (hr != S_OK) callback.Abandon();
  callback.Replace();
  int result = callback.failure();
  if (result == kClient7zOk && hr != S_OK) result = callback.StopFailure(hr);
  if (result == kClient7zOk) progress.Finish();
  return result;
}

}  // namespace client7z
