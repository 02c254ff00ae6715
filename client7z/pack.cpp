// The "a" command: an IArchiveUpdateCallback over our list of files, and
// the archive written to a temporary file that is renamed into place.
#include <memory>
#include <string>

#include "client7z/client7z.h"
#include "client7z/commands.h"
#include "client7z/file_streams.h"
#include "client7z/file_system.h"
#include "client7z/paths.h"
#include "client7z/progress.h"

namespace client7z {
namespace {

struct PackItem {
  std::wstring path;  // long form
  std::wstring name;  // stored name
  UInt64 size = 0;
  std::uint64_t mtime = 0;
  std::uint32_t attributes = 0;
};

// Right after the failed call, from its error.
int InputFailure() {
  return LastErrorMeansMissing() ? kClient7zInputMissing : kClient7zInputUnreadable;
}

FileHandle OpenInput(const std::wstring& path) {
  return OpenForReading(path, true);
}

// Stats every file first, so a missing or unreadable one fails the call
// before an archive is started.
int CollectItems(const std::vector<std::wstring>& files, std::vector<PackItem>& items) {
  for (const auto& given : files) {
    PackItem item;
    item.path = FullPath(given);
    if (item.path.empty()) return kClient7zInputMissing;
    bool listed = false;
    for (const auto& earlier : items) listed = listed || SameFileName(earlier.path, item.path);
    if (listed) continue;
    item.name = BareName(item.path);
    for (const auto& earlier : items)
      if (SameFileName(earlier.name, item.name)) return kClient7zDuplicateName;
    auto facts = ReadFacts(item.path);
    if (!facts) return InputFailure();
    if (facts->folder) return kClient7zInputUnreadable;
    if (!OpenInput(item.path)) return InputFailure();
    item.size = facts->size;
    item.mtime = facts->modified;
    item.attributes = facts->attributes;
    items.push_back(std::move(item));
  }
  return kClient7zOk;
}

class UpdateCallback final : public ComObject<IArchiveUpdateCallback> {
 public:
  UpdateCallback(const std::vector<PackItem>& items, const Password& password,
                 ProgressReport& progress)
      : items_(items), password_(password), progress_(progress) {}

  // The handler asks the update callback whether to encrypt, and with what.
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    return password_.Answers(iid, out) ? S_OK : ComObject::QueryInterface(iid, out);
  }

  // The codec counts the files' bytes it has read; E_ABORT stops it.
  STDMETHODIMP SetTotal(UInt64 total) noexcept override {
    return progress_.Total(total) ? S_OK : E_ABORT;
  }
  STDMETHODIMP SetCompleted(const UInt64* done) noexcept override {
    return !done || progress_.Done(*done) ? S_OK : E_ABORT;
  }

  STDMETHODIMP GetUpdateItemInfo(UInt32, Int32* newData, Int32* newProps,
                                 UInt32* indexInArchive) noexcept override {
    if (newData) *newData = 1;
    if (newProps) *newProps = 1;
    if (indexInArchive) *indexInArchive = static_cast<UInt32>(-1);
    return S_OK;
  }

  STDMETHODIMP GetProperty(UInt32 index, PROPID propID, PROPVARIANT* value) noexcept override {
    if (index >= items_.size()) return E_INVALIDARG;
    const PackItem& item = items_[index];
    value->vt = VT_EMPTY;
    switch (propID) {
      case kpidPath:
        value->bstrVal = SysAllocString(item.name.c_str());
        if (!value->bstrVal) return E_OUTOFMEMORY;
        value->vt = VT_BSTR;
        break;
      case kpidIsDir:
      case kpidIsAnti:
        value->vt = VT_BOOL;
        value->boolVal = VARIANT_FALSE;
        break;
      case kpidSize:
        value->vt = VT_UI8;
        value->uhVal.QuadPart = item.size;
        break;
      case kpidMTime:
        value->vt = VT_FILETIME;
        value->filetime.dwLowDateTime = static_cast<DWORD>(item.mtime);
        value->filetime.dwHighDateTime = static_cast<DWORD>(item.mtime >> 32);
        break;
      case kpidAttrib:
        value->vt = VT_UI4;
        value->ulVal = item.attributes;
        break;
      default:
        break;
    }
    return S_OK;
  }

  STDMETHODIMP GetStream(UInt32 index, ISequentialInStream** inStream) noexcept override {
    *inStream = nullptr;
    if (index >= items_.size()) return E_INVALIDARG;
    try {
      auto file = OpenInput(items_[index].path);
      if (!file) {
        HRESULT error = LastErrorResult();
        failure_ = InputFailure();
        return error;
      }
      streams_.push_back(std::make_unique<InFileStream>(std::move(file)));
    } catch (...) {
      return E_OUTOFMEMORY;
    }
    *inStream = streams_.back().get();
    (*inStream)->AddRef();
    return S_OK;
  }

  STDMETHODIMP SetOperationResult(Int32) noexcept override { return S_OK; }

  // What went wrong on the input side, kClient7zOk when nothing did.
  int failure() const {
    if (failure_ != kClient7zOk) return failure_;
    for (const auto& s : streams_)
      if (s->readFailed()) return kClient7zInputUnreadable;
    return kClient7zOk;
  }

 private:
  bool Accepts(REFIID iid) const override {
    return iid == IID_IArchiveUpdateCallback || iid == IID_IProgress;
  }
  const std::vector<PackItem>& items_;
  PasswordForPacking password_;
  ProgressReport& progress_;
  std::vector<std::unique_ptr<InFileStream>> streams_;
  int failure_ = kClient7zOk;
};

// LZMA2, solid, at the handler's default level, in blocks of
// PF_CLIENT7Z_BLOCK_MIB (see client7z.h for why and how much). `threads` 0
// means every processor. With a password the names are encrypted too ("he":
// the archive's header), so nothing but sizes can be read without it. One
// call sets them all: each call starts again from the handler's defaults.
HRESULT ApplySettings(IOutArchive* archive, unsigned threads, const Password& password) {
  ComRef<ISetProperties> settings;
  HRESULT hr = archive->QueryInterface(IID_ISetProperties, settings.put());
  if (hr != S_OK) return hr;
  const std::wstring text = L"LZMA2:c=" + std::to_wstring(PF_CLIENT7Z_BLOCK_MIB) + L"m";
  BSTR method = SysAllocString(text.c_str());
  if (!method) return E_OUTOFMEMORY;
  const wchar_t* names[] = {L"0", L"s", L"mt", L"he"};
  PROPVARIANT values[4] = {};
  values[0].vt = VT_BSTR;
  values[0].bstrVal = method;
  values[1].vt = VT_BOOL;
  values[1].boolVal = VARIANT_TRUE;
  if (threads == 0) {
    values[2].vt = VT_BOOL;
    values[2].boolVal = VARIANT_TRUE;
  } else {
    values[2].vt = VT_UI4;
    values[2].ulVal = threads;
  }
  values[3].vt = VT_BOOL;
  values[3].boolVal = VARIANT_TRUE;
  hr = settings->SetProperties(names, values, password.given() ? 4 : 3);
  SysFreeString(method);
  return hr;
}

}  // namespace

int PackFiles(const Codec& codec, const std::wstring& archivePath,
              const std::vector<std::wstring>& files, unsigned threads, const Password& password,
              ProgressReport& progress) {
  std::vector<PackItem> items;
  if (int r = CollectItems(files, items); r != kClient7zOk) return r;

  std::wstring finalPath = FullPath(archivePath);
  if (finalPath.empty()) return kClient7zArchiveWriteFailed;
  std::wstring partPath = finalPath + L"." + std::to_wstring(ProcessId()) + L".part";

  UpdateCallback callback(items, password, progress);
  OutFileStream out(CreateForWriting(partPath, true));
  if (!out.file()) return kClient7zArchiveWriteFailed;

  int result = kClient7zOk;
  {
    ComRef<IOutArchive> archive;
    HRESULT hr = codec.CreateHandler(IID_IOutArchive, archive.put());
    if (hr != S_OK || !archive || ApplySettings(archive.get(), threads, password) != S_OK) {
      result = kClient7zCodecRefused;
    } else {
      hr = archive->UpdateItems(&out, static_cast<UInt32>(items.size()), &callback);
      // An input failure counts even if the handler carried on past it; a
      // cancel counts before anything else.
      result = progress.cancelled() ? kClient7zCancelled : callback.failure();
      if (hr != S_OK) {
        if (result == kClient7zOk)
          result = out.failed()          ? kClient7zArchiveWriteFailed
                   : hr == E_OUTOFMEMORY ? kClient7zInternalError
                                         : kClient7zPackFailed;
      }
    }
  }
  if (!out.Close() && result == kClient7zOk) result = kClient7zArchiveWriteFailed;
  if (result == kClient7zOk && !RenameOver(partPath, finalPath))
    result = kClient7zArchiveWriteFailed;
  if (result != kClient7zOk) RemoveFile(partPath);
  if (result == kClient7zOk) progress.Finish();
  return result;
}

}  // namespace client7z
