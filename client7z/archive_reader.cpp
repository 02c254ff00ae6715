#include "client7z/archive_reader.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "client7z/client7z.h"
#include "client7z/decoding_threads.h"
#include "client7z/file_system.h"
#include "client7z/paths.h"

namespace client7z {
namespace {

// The handler decodes on `threads` threads. A handler without the setting
// is used as it is.
void SetDecodingThreads(IInArchive* archive, unsigned threads) {
  ComRef<ISetProperties> settings;
  if (archive->QueryInterface(IID_ISetProperties, settings.put()) != S_OK || !settings) return;
  const wchar_t* names[] = {L"mt"};
  PROPVARIANT values[1] = {};
  values[0].vt = VT_UI4;
  values[0].ulVal = threads;
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
    SetDecodingThreads(archive_.get(), 1);  // until UseDecodingThreads says more
    if (in_->Seek(0, STREAM_SEEK_SET, nullptr) != S_OK) return kClient7zArchiveOpenFailed;
    hr = archive_->Open(in_.get(), &startAtZero, &openCallback_);
    if (hr == S_OK || hr == E_OUTOFMEMORY || openCallback_.passwordAsked()) break;
    archive_->Close();
    archive_.reset();
  }
  if (!created) return kClient7zCodecRefused;
  // The format knew the archive but could not read its names without the
  // right password; no other format is tried then.
  if (hr != S_OK && openCallback_.passwordAsked()) {
    if (archive_) archive_->Close();
    archive_.reset();
    return PasswordFailure(password_);
  }
  if (hr == E_OUTOFMEMORY) {
    if (archive_) archive_->Close();
    archive_.reset();
    return kClient7zInternalError;
  }
  if (hr != S_OK || !archive_) return kClient7zNotAnArchive;
  return kClient7zOk;
}

void OpenedArchive::UseDecodingThreads() {
  // The unpacked size of each solid block (a 7z folder) and the dictionary
  // of the largest; formats without blocks stay on one thread.
  std::map<UInt32, std::uint64_t> blocks;
  UInt32 count = 0;
  if (archive_->GetNumberOfItems(&count) != S_OK) return;
  for (UInt32 i = 0; i < count; ++i) {
    ItemProperty block(archive_.get(), i, kpidBlock);
    ItemProperty size(archive_.get(), i, kpidSize);
    if (block.value().vt == VT_UI4 && size.value().vt == VT_UI8)
      blocks[block.value().ulVal] += size.value().uhVal.QuadPart;
  }
  auto largest = std::max_element(blocks.begin(), blocks.end(),
                                  [](const auto& a, const auto& b) { return a.second < b.second; });
  if (largest == blocks.end()) return;
  std::optional<std::uint64_t> dictionary;
  for (UInt32 i = 0; i < count && !dictionary; ++i) {
    ItemProperty block(archive_.get(), i, kpidBlock);
    if (block.value().vt != VT_UI4 || block.value().ulVal != largest->first) continue;
    ItemProperty method(archive_.get(), i, kpidMethod);
    if (method.value().vt != VT_BSTR || !method.value().bstrVal) break;
    dictionary = Lzma2Dictionary(method.value().bstrVal);
    break;
  }
  unsigned threads = DecodingThreads(largest->second, dictionary, ProcessorCount());
  if (threads > 1) SetDecodingThreads(archive_.get(), threads);
}

std::optional<std::wstring> EntryTargetPath(IInArchive* archive, UInt32 index) {
  ItemProperty path(archive, index, kpidPath);
  if (path.value().vt != VT_BSTR || !path.value().bstrVal) return std::nullopt;
  return SafeEntryPath(path.value().bstrVal);
}

int ListArchive(const Codec& codec, const ArchiveLocation& location, const Password& password) {
  OpenedArchive archive(password);
  if (int r = archive.Open(codec, location); r != kClient7zOk) return r;
  UInt32 count = 0;
  if (archive.get()->GetNumberOfItems(&count) != S_OK) return kClient7zDataError;
  for (UInt32 i = 0; i < count; ++i)
    if (!EntryTargetPath(archive.get(), i)) return kClient7zUnsafeEntry;
  return kClient7zOk;
}

}  // namespace client7z
