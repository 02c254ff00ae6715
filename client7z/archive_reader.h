// An archive opened for reading with whichever format of 7z.dll reads it,
// and the rule each entry's name passes before anything is written. "x"
// and "l" both read archives through this, so a listing refuses exactly
// what an extraction would.
#pragma once
#include <memory>
#include <optional>
#include <string>

#include "client7z/codec.h"
#include "client7z/com_object.h"
#include "client7z/commands.h"
#include "client7z/file_streams.h"
#include "client7z/password.h"

namespace client7z {

class OpenCallback final : public ComObject<IArchiveOpenCallback> {
 public:
  explicit OpenCallback(const Password& password) : password_(password) {}
  // An archive with encrypted names asks the open callback for the password.
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    return password_.Answers(iid, out) ? S_OK : ComObject::QueryInterface(iid, out);
  }
  bool passwordAsked() const { return password_.asked(); }
  STDMETHODIMP SetTotal(const UInt64*, const UInt64*) noexcept override { return S_OK; }
  STDMETHODIMP SetCompleted(const UInt64*, const UInt64*) noexcept override { return S_OK; }

 private:
  bool Accepts(REFIID iid) const override { return iid == IID_IArchiveOpenCallback; }
  PasswordAnswer password_;
};

class OpenedArchive {
 public:
  explicit OpenedArchive(const Password& password) : password_(password), openCallback_(password) {}
  OpenedArchive(const OpenedArchive&) = delete;
  OpenedArchive& operator=(const OpenedArchive&) = delete;
  ~OpenedArchive();

  // kClient7zOk once a format has opened it; otherwise why not. The
  // extension of the location's name only says which format to try first.
  // An archive whose names are encrypted opens only with its password.
  int Open(const Codec& codec, const ArchiveLocation& location);
  IInArchive* get() const { return archive_.get(); }
  // Before Extract: decodes on several threads where the archive holds
  // blocks that decode apart (see DecodingThreads); one otherwise.
  void UseDecodingThreads();
  // Opened, and the names needed the password: the password is right.
  bool passwordProven() const { return archive_ && openCallback_.passwordAsked(); }

 private:
  const Password& password_;
  // Declared before the handler, which holds references to them until it
  // is released.
  std::unique_ptr<ArchiveInStream> in_;
  OpenCallback openCallback_;
  ComRef<IInArchive> archive_;
};

// Entry `index` as a relative path under the target folder, or nothing
// when its name is missing or would leave the target (see SafeEntryPath).
std::optional<std::wstring> EntryTargetPath(IInArchive* archive, UInt32 index);

// Reads one property of an archive item; VT_EMPTY when absent.
class ItemProperty {
 public:
  ItemProperty(IInArchive* archive, UInt32 index, PROPID id);
  ~ItemProperty() { PropVariantClear(&value_); }
  ItemProperty(const ItemProperty&) = delete;
  ItemProperty& operator=(const ItemProperty&) = delete;
  const PROPVARIANT& value() const { return value_; }

 private:
  PROPVARIANT value_;
};

}  // namespace client7z
