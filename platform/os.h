// The narrow seam between the build steps and the operating system. The
// Win32 implementation makes exactly the calls the build steps are defined
// by (OPEN_EXISTING, CREATE_ALWAYS, FindFirstFileW, ...); the
// POSIX one lets the core run natively in unit tests. Paths are UTF-16 with
// backslash separators on both; the POSIX side maps "\" to "/".
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace pf::os {

// An open file; closes itself. Move-only.
class File {
 public:
  File() = default;
  explicit File(std::intptr_t handle) : handle_(handle) {}
  File(File&& other) noexcept : handle_(other.release()) {}
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File() { Close(); }

  bool IsOpen() const { return handle_ != kInvalid; }
  void Close();
  // The length as GetFileSize reports it: the low 32 bits only.
  std::uint32_t SizeLow32() const;
  // The full 64-bit length, or nothing when it cannot be read.
  std::optional<std::uint64_t> Size() const;
  // Reads up to `count` bytes at the current position; nothing on error,
  // fewer bytes only at the end of the file.
  std::optional<std::size_t> Read(void* buffer, std::size_t count);
  // Writes all `count` bytes or fails.
  bool Write(const void* buffer, std::size_t count);

 private:
  static constexpr std::intptr_t kInvalid = -1;
  std::intptr_t release() {
    auto h = handle_;
    handle_ = kInvalid;
    return h;
  }
  std::intptr_t handle_ = kInvalid;
};

// GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL: other
// readers (another build) are welcome, a file open for writing is refused.
std::optional<File> OpenForRead(const std::u16string& path);
// GENERIC_WRITE, share mode 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL.
std::optional<File> CreateForWrite(const std::u16string& path);

// A new file for writing that another thread may delete while it is open
// (GENERIC_WRITE, FILE_SHARE_DELETE, CREATE_NEW): a build's temporary
// output, which a Cancel removes before the process ends.
std::optional<File> CreateNewDeletable(const std::u16string& path);

// FindFirstFileW existence test: an existing file or folder.
bool Exists(const std::u16string& path);
// The runtime library's file status (_wstat64): size in bytes.
std::optional<std::uint64_t> StatSize(const std::u16string& path);
// The names (no folder) of the entries matching a wildcard pattern such as
// "C:\out\*.exe", as FindFirstFileW/FindNextFileW list them.
std::vector<std::u16string> FindNames(const std::u16string& pattern);

// CreateDirectoryW with no security attributes: true only when it was made.
bool CreateFolder(const std::u16string& path);
// CopyFileW with fail-if-exists false.
bool CopyFileOver(const std::u16string& from, const std::u16string& to);
bool DeleteFileAt(const std::u16string& path);
// RemoveDirectoryW: removes an empty folder.
bool RemoveFolder(const std::u16string& path);
// Moves `from` over `to`, replacing it in one step (the destination is
// either the old or the new file, never a mix).
bool ReplaceWith(const std::u16string& from, const std::u16string& to);
// A file name not yet used in `folder`, for temporary files beside a target.
std::u16string UniqueSuffix();

// Whether two file names are one name to the file system: on Windows
// CompareStringOrdinal ignoring case, elsewhere the same folding table.
bool NamesEqualIgnoringCase(std::u16string_view a, std::u16string_view b);

// The absolute form of a path (GetFullPathNameW).
std::u16string FullPath(const std::u16string& path);
// Makes `path` the process's current folder (SetCurrentDirectoryW).
bool SetCurrentFolder(const std::u16string& path);
// The folder of the running executable, without a trailing separator
// (GetModuleFileNameW into a 1024-character buffer, cut at the last "\").
std::u16string ExecutableFolder();

// GetEnvironmentVariableW into a 1024-character buffer: nothing when the
// variable is unset or its value does not fit in 1023 characters. Names
// match without regard to letter case, on every platform.
std::optional<std::u16string> GetEnv(const std::u16string& name);

// The text form of the trace log: on Windows the runtime's 8-bit text mode
// (CRLF, one byte per character up to U+00FF); elsewhere UTF-8 and LF.
enum class LogTextForm { kLatin1Crlf, kUtf8Lf };
LogTextForm NativeLogTextForm();

// Whole small files, as the runtime's file streams handle them ("w", "r",
// "a+"): used by the trace log and its switch file.
bool WriteWholeFile(const std::u16string& path, const std::vector<std::uint8_t>& bytes);
std::optional<std::vector<std::uint8_t>> ReadFilePrefix(const std::u16string& path,
                                                        std::size_t maxBytes);
bool AppendToFile(const std::u16string& path, const std::string& bytes);

// A loaded library; frees itself.
class Library {
 public:
  Library() = default;
  explicit Library(void* module) : module_(module) {}
  Library(Library&& other) noexcept : module_(other.module_) { other.module_ = nullptr; }
  Library& operator=(Library&& other) noexcept;
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  ~Library() { Free(); }
  void Free();
  // GetProcAddress by exact name; null when absent.
  void* Symbol(const char* name) const;

 private:
  void* module_ = nullptr;
};

// LoadLibraryW from a full path (natively dlopen, so tests can load a
// stand-in library).
std::optional<Library> LoadLibraryAt(const std::u16string& path);

// A resource update of an executable, as BeginUpdateResourceW /
// UpdateResourceW / EndUpdateResourceW behave (existing resources kept), on
// every platform through our own PE writer, so both write the same bytes.
// Nothing touches the file before End(false); dropped without it, the
// changes are discarded.
using ResourceName = std::variant<std::uint16_t, std::u16string>;
struct PendingResources;
class ResourceUpdate {
 public:
  ResourceUpdate();
  explicit ResourceUpdate(std::unique_ptr<PendingResources> pending);
  ResourceUpdate(ResourceUpdate&& other) noexcept;
  ResourceUpdate& operator=(ResourceUpdate&&) = delete;
  ResourceUpdate(const ResourceUpdate&) = delete;
  ResourceUpdate& operator=(const ResourceUpdate&) = delete;
  ~ResourceUpdate();
  // Adds or replaces one resource; no data (null, 0) deletes it.
  bool Update(const ResourceName& type, const ResourceName& name, std::uint16_t language,
              const std::uint8_t* data, std::size_t size);
  // Discard false writes the changes into the file: a new file beside it
  // replaces it in one step, so a failure leaves it as it was.
  bool End(bool discard);

 private:
  std::unique_ptr<PendingResources> pending_;
};
// With `deleteExisting`, the update starts from no resources at all. A file
// that is no well-formed PE image is refused (nothing).
std::optional<ResourceUpdate> BeginResourceUpdate(const std::u16string& path,
                                                  bool deleteExisting = false);
// Every resource of an executable, in directory order; nothing when the
// file cannot be read or is no well-formed PE image.
struct Resource {
  ResourceName type, name;
  std::uint16_t language = 0;
  std::vector<std::uint8_t> data;
};
std::optional<std::vector<Resource>> ReadResources(const std::u16string& path);

// MessageBoxW with no owner window, an OK button only and no icon.
void ShowMessage(const std::u16string& text, const std::u16string& caption);

}  // namespace pf::os
