// The client's file access: the few calls packing and unpacking make, over
// Win32 on Windows and POSIX natively. Paths are the client's wide strings;
// natively "\" separates as "/" does, and names are UTF-8 on disk.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "client7z/seven_zip.h"

namespace client7z {

// An open file; closes at destruction. Move-only.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(std::intptr_t handle) : handle_(handle) {}
  FileHandle(FileHandle&& other) noexcept : handle_(other.release()) {}
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() { Close(); }

  explicit operator bool() const { return handle_ != kInvalid; }
  std::intptr_t get() const { return handle_; }
  // False when the close (the last flush) failed.
  bool Close();

 private:
  static constexpr std::intptr_t kInvalid = -1;
  std::intptr_t release() {
    auto h = handle_;
    handle_ = kInvalid;
    return h;
  }
  std::intptr_t handle_ = kInvalid;
};

// What packing records of a file, as Windows reports it: FILETIME ticks
// (100 ns since 1601) and FILE_ATTRIBUTE_* bits.
struct FileFacts {
  std::uint64_t size = 0;
  std::uint64_t modified = 0;
  std::uint32_t attributes = 0;
  bool folder = false;
};

// The last failed call's error as an HRESULT (E_FAIL when it left none).
HRESULT LastErrorResult();
// Whether the last failed call said the file or its folder does not exist.
bool LastErrorMeansMissing();

// The absolute form of a path that every other call here takes literally
// (on Windows the "\\?\" long form); empty when it cannot be made.
std::wstring FullPath(const std::wstring& path);
// Whether two names are one name to the file system (case ignored).
bool SameFileName(const std::wstring& a, const std::wstring& b);

std::optional<FileFacts> ReadFacts(const std::wstring& path);
// Shared for reading, the file must exist.
FileHandle OpenForReading(const std::wstring& path, bool sequential);
// Unshared, created or truncated; `alsoRead` for the archive being written.
FileHandle CreateForWriting(const std::wstring& path, bool alsoRead);

HRESULT ReadFrom(const FileHandle& file, void* data, UInt32 size, UInt32* got);
// A positioned read that leaves the handle's position alone.
HRESULT ReadAt(const FileHandle& file, UInt64 at, void* data, UInt32 size, UInt32* got);
HRESULT WriteTo(const FileHandle& file, const void* data, UInt32 size, UInt32* put);
HRESULT SeekIn(const FileHandle& file, Int64 offset, UInt32 origin, UInt64* newPosition);
// Cuts (or extends) the file at the current position.
HRESULT EndHere(const FileHandle& file);
std::optional<UInt64> SizeOf(const FileHandle& file);
bool SetModified(const FileHandle& file, std::uint64_t modified);

// Makes `folder` and every missing folder above it; true when it exists.
// Those it made are appended to `made` when given, outermost first.
bool CreateFolders(const std::wstring& folder, std::vector<std::wstring>* made = nullptr);
// Whether anything (a file or a folder) is at `path`.
bool Exists(const std::wstring& path);
// Removes an empty folder.
bool RemoveFolder(const std::wstring& path);
// Moves `from` over `to` in one step.
bool RenameOver(const std::wstring& from, const std::wstring& to);
bool RemoveFile(const std::wstring& path);
unsigned long ProcessId();
// The processors this process may run on.
unsigned ProcessorCount();

// The folder of the client library itself.
std::wstring OwnFolder();

// The codec library: loaded from a folder, and its exports.
class CodecLibrary {
 public:
  // Loads folder + the platform's codec name; check loaded().
  explicit CodecLibrary(const std::wstring& folder);
  CodecLibrary(const CodecLibrary&) = delete;
  CodecLibrary& operator=(const CodecLibrary&) = delete;
  ~CodecLibrary();
  bool loaded() const { return module_ != nullptr; }
  void* Symbol(const char* name) const;

 private:
  void* module_ = nullptr;
};

}  // namespace client7z
