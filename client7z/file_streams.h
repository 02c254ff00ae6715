// The file streams 7z.dll reads from and writes to, over the client's file
// access.
#pragma once
#include <string>

#include "client7z/com_object.h"
#include "client7z/file_system.h"

namespace client7z {

// One input file, read from the start; the handle closes at the last Release.
class InFileStream final : public ComObject<ISequentialInStream> {
 public:
  explicit InFileStream(FileHandle file) : file_(std::move(file)) {}
  STDMETHODIMP Read(void* data, UInt32 size, UInt32* processedSize) noexcept override;
  // Whether a read failed.
  bool readFailed() const { return readFailed_; }

 private:
  bool Accepts(REFIID iid) const override { return iid == IID_ISequentialInStream; }
  void OnLastRelease() override { file_.Close(); }
  FileHandle file_;
  bool readFailed_ = false;
};

// The archive being read: seekable. It is `length` bytes of the file from
// `base` (an archive carried inside a package is read where it lies), and
// 7z.dll sees only those bytes, position 0 being `base`.
class ArchiveInStream final : public ComObject<IInStream> {
 public:
  ArchiveInStream(FileHandle file, UInt64 base, UInt64 length)
      : file_(std::move(file)), base_(base), length_(length) {}
  STDMETHODIMP Read(void* data, UInt32 size, UInt32* processedSize) noexcept override;
  STDMETHODIMP Seek(Int64 offset, UInt32 origin, UInt64* newPosition) noexcept override;

 private:
  bool Accepts(REFIID iid) const override {
    return iid == IID_ISequentialInStream || iid == IID_IInStream;
  }
  FileHandle file_;
  UInt64 base_;
  UInt64 length_;
  UInt64 position_ = 0;
};

// A file being written: the archive (seekable, 7z rewrites its start
// header last) or an extracted entry.
class OutFileStream final : public ComObject<IOutStream> {
 public:
  OutFileStream() = default;
  explicit OutFileStream(FileHandle file) : file_(std::move(file)) {}
  STDMETHODIMP Write(const void* data, UInt32 size, UInt32* processedSize) noexcept override;
  STDMETHODIMP Seek(Int64 offset, UInt32 origin, UInt64* newPosition) noexcept override;
  STDMETHODIMP SetSize(UInt64 newSize) noexcept override;

  const FileHandle& file() const { return file_; }
  bool failed() const { return failed_; }
  // Closes the file; false when the close (the last flush) failed.
  bool Close();

 private:
  bool Accepts(REFIID iid) const override {
    return iid == IID_ISequentialOutStream || iid == IID_IOutStream;
  }
  FileHandle file_;
  bool failed_ = false;
};

}  // namespace client7z
