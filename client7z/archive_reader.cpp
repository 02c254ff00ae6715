#include "client7z/archive_reader.h"

#include <tuple>

#include "client7z/client7z.h"
#include "client7z/file_system.h"
#include "client7z/paths.h"

namespace client7z {
namespace {

// One decoding thread. 7z.dll's multi-threaded LZMA2 decoder reads a whole
// block ahead into memory and gains only where a stream holds several
// independent blocks; "a" wrote one block in every case measured (the same
// settings on 2 to 8 threads). On two threads a 72 MiB archive took 169 MiB
// more memory and about 10% longer. A handler without the setting is used
// as it is.
void UseOneDecodingThread(IInArchive* archive) {
  ComRef<ISetProperties> settings;
  if (archive->QueryInterface(IID_ISetProperties, settings.put()) != S_OK || !settings) return;
  const wchar_t* names[] = {L"mt"};
  PROPVARIANT values[1] = {};
  values[0].vt = VT_UI4;
  values[0].ulVal = 1;
  settings->SetProperties(names, values, 1);
}

}  // namespace

ItemProperty::ItemProperty(IInArchive* archive, UInt32 index, PROPID id) {
  PropVariantInit(&value_);
  if (archive->GetProperty(index, id, &value_) != S_OK) {
    PropVariantClear(&value_);
    PropVariantInit(&value_);
  }
}

OpenedArchive::~OpenedArchive() {
  if (archive_) archive_->Close();
}

int OpenedArchive::Open(const Codec& codec, const ArchiveLocation& location) {
  std::wstring source = FullPath(location.path);
  if (source.empty()) return kClient7zArchiveOpenFailed;
  FileHandle file = OpenForReading(source, false);
  if (!file) return kClient7zArchiveOpenFailed;
  auto size = SizeOf(file);
  if (!size) return kClient7zArchiveOpenFailed;
  std::uint64_t fileLength = *size;
  std::uint64_t base = 0, length = fileLength;
  if (location.range) {
    std::tie(base, length) = *location.range;
    if (base > fileLength || length > fileLength - base) return kClient7zArchiveOpenFailed;
  }
  in_ = std::make_unique<ArchiveInStream>(std::move(file), base, length);

  // An archive the user ticked may be of any format 7z.dll reads.
  const UInt64 startAtZero = 0;
  HRESULT hr = S_FALSE;
  bool created = false;
  for (const GUID& format :
       codec.FormatsFor(location.name.empty() ? location.path : location.name)) {
    if (codec.CreateHandler(format, IID_IInArchive, archive_.put()) != S_OK || !archive_) continue;
    created = true;
    UseOneDecodingThread(archive_.get());
    if (in_->Seek(0, STREAM_SEEK_SET, nullptr) != S_OK) return kClient7zArchiveOpenFailed;
    hr = archive_->Open(in_.get(), &startAtZero, &openCallback_);
    if (hr == S_OK || hr == E_OUTOFMEMORY) break;
    archive_->Close();
    archive_.reset();
  }
  if (!created) return kClient7zCodecRefused;
  if (hr == E_OUTOFMEMORY) {
    if (archive_) archive_->Close();
    archive_.reset();
    return kClient7zInternalError;
  }
  if (hr != S_OK || !archive_) return kClient7zNotAnArchive;
  return kClient7zOk;
}

std::optional<std::wstring> EntryTargetPath(IInArchive* archive, UInt32 index) {
  ItemProperty path(archive, index, kpidPath);
  if (path.value().vt != VT_BSTR || !path.value().bstrVal) return std::nullopt;
  return SafeEntryPath(path.value().bstrVal);
}

int ListArchive(const Codec& codec, const ArchiveLocation& location) {
  OpenedArchive archive;
  if (int r = archive.Open(codec, location); r != kClient7zOk) return r;
  UInt32 count = 0;
  if (archive.get()->GetNumberOfItems(&count) != S_OK) return kClient7zDataError;
  for (UInt32 i = 0; i < count; ++i)
    if (!EntryTargetPath(archive.get(), i)) return kClient7zUnsafeEntry;
  return kClient7zOk;
}

}  // namespace client7z
