#include <windows.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <memory>

#include "platform/os.h"
#include "platform/text.h"
#include "platform/win32/unique_handle.h"

namespace pf::os {
namespace {

// Paths from about MAX_PATH on reach the file system in the long-path form
// ("\\?\C:\..." or "\\?\UNC\server\share\..."), made from the full
// path so that "." and ".." steps and doubled separators are resolved as
// the plain form would resolve them. Then no path Windows can create fails
// for its length (a temporary name beside a long output path, for one).
// From 248 on, since CreateDirectoryW's limit is 12 below MAX_PATH.
constexpr std::size_t kLongPathFrom = MAX_PATH - 12;

std::wstring W(const std::u16string& s) {
  std::wstring wide = ToWide(s);
  if (wide.size() < kLongPathFrom || wide.rfind(L"\\\\?\\", 0) == 0 ||
      wide.rfind(L"\\\\.\\", 0) == 0)
    return wide;
  DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return wide;
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
  full.resize(n);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') return L"\\\\?\\" + full;
  return wide;
}
HANDLE H(std::intptr_t h) {
  return reinterpret_cast<HANDLE>(h);
}

std::optional<File> Open(const std::u16string& path, DWORD access, DWORD share, DWORD disposition) {
  HANDLE h = CreateFileW(W(path).c_str(), access, share, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  return File(reinterpret_cast<std::intptr_t>(h));
}

// The runtime's wide file streams, as the trace log is defined on them.
struct StreamCloser {
  void operator()(FILE* f) const { fclose(f); }
};
using unique_stream = std::unique_ptr<FILE, StreamCloser>;
unique_stream OpenStream(const std::u16string& path, const wchar_t* mode) {
  return unique_stream(_wfopen(W(path).c_str(), mode));
}

}  // namespace

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.release();
  }
  return *this;
}

void File::Close() {
  if (handle_ != kInvalid) CloseHandle(H(handle_));
  handle_ = kInvalid;
}

std::uint32_t File::SizeLow32() const {
  return GetFileSize(H(handle_), nullptr);
}

std::optional<std::uint64_t> File::Size() const {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(H(handle_), &size)) return std::nullopt;
  return static_cast<std::uint64_t>(size.QuadPart);
}

std::optional<std::size_t> File::Read(void* buffer, std::size_t count) {
  std::size_t done = 0;
  auto* p = static_cast<char*>(buffer);
  while (done < count) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(H(handle_), p + done, chunk, &got, nullptr)) return std::nullopt;
    if (got == 0) break;
    done += got;
  }
  return done;
}

bool File::Write(const void* buffer, std::size_t count) {
  std::size_t done = 0;
  auto* p = static_cast<const char*>(buffer);
  while (done < count) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
    DWORD put = 0;
    if (!WriteFile(H(handle_), p + done, chunk, &put, nullptr) || put == 0) return false;
    done += put;
  }
  return true;
}

std::optional<File> OpenForRead(const std::u16string& path) {
  // Read sharing lets builds side by side read the same program files.
  return Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

std::optional<File> CreateForWrite(const std::u16string& path) {
  return Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
}

std::optional<File> CreateNewDeletable(const std::u16string& path) {
  HANDLE h = CreateFileW(W(path).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  return File(reinterpret_cast<std::intptr_t>(h));
}

bool Exists(const std::u16string& path) {
  WIN32_FIND_DATAW data;
  pf::win::unique_hfind find(FindFirstFileW(W(path).c_str(), &data));
  return static_cast<bool>(find);
}

std::optional<std::uint64_t> StatSize(const std::u16string& path) {
  struct _stat64 st;
  if (_wstat64(W(path).c_str(), &st) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

std::vector<std::u16string> FindNames(const std::u16string& pattern) {
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW data;
  pf::win::unique_hfind find(FindFirstFileW(W(pattern).c_str(), &data));
  if (!find) return names;
  do {
    names.push_back(FromWide(data.cFileName));
  } while (FindNextFileW(find.get(), &data));
  return names;
}

bool CreateFolder(const std::u16string& path) {
  return CreateDirectoryW(W(path).c_str(), nullptr) != FALSE;
}

bool CopyFileOver(const std::u16string& from, const std::u16string& to) {
  return CopyFileW(W(from).c_str(), W(to).c_str(), FALSE) != FALSE;
}

bool DeleteFileAt(const std::u16string& path) {
  return DeleteFileW(W(path).c_str()) != FALSE;
}

bool RemoveFolder(const std::u16string& path) {
  return RemoveDirectoryW(W(path).c_str()) != FALSE;
}

bool ReplaceWith(const std::u16string& from, const std::u16string& to) {
  return MoveFileExW(W(from).c_str(), W(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

std::u16string UniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  unsigned n = ++counter;
  std::wstring s = L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                   std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(n);
  return FromWide(s);
}

bool NamesEqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  std::wstring wa = ToWide(a), wb = ToWide(b);
  return CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                              static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

std::u16string FullPath(const std::u16string& path) {
  // The plain form: this is a path a user sees.
  std::wstring wide = ToWide(path);
  DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring out(n, L'\0');
  n = GetFullPathNameW(wide.c_str(), n, out.data(), nullptr);
  out.resize(n);
  return FromWide(out);
}

bool SetCurrentFolder(const std::u16string& path) {
  return SetCurrentDirectoryW(W(path).c_str()) != FALSE;
}

std::u16string ExecutableFolder() {
  std::wstring buffer(1024, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, buffer.data(), 1024);
  buffer.resize(n);
  auto slash = buffer.rfind(L'\\');
  return FromWide(slash == std::wstring::npos ? std::wstring() : buffer.substr(0, slash));
}

std::optional<std::u16string> GetEnv(const std::u16string& name) {
  std::wstring buffer(1024, L'\0');
  DWORD n = GetEnvironmentVariableW(W(name).c_str(), buffer.data(), 1024);
  if (n == 0 || n >= 1024) return std::nullopt;
  buffer.resize(n);
  return FromWide(buffer);
}

LogTextForm NativeLogTextForm() {
  return LogTextForm::kLatin1Crlf;
}

bool WriteWholeFile(const std::u16string& path, const std::vector<std::uint8_t>& bytes) {
  auto f = OpenStream(path, L"wb");
  if (!f) return false;
  return fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
}

std::optional<std::vector<std::uint8_t>> ReadFilePrefix(const std::u16string& path,
                                                        std::size_t maxBytes) {
  auto f = OpenStream(path, L"rb");
  if (!f) return std::nullopt;
  std::vector<std::uint8_t> bytes(maxBytes);
  bytes.resize(fread(bytes.data(), 1, maxBytes, f.get()));
  return bytes;
}

bool AppendToFile(const std::u16string& path, const std::string& bytes) {
  // The line is already in the log's text form, so the stream is binary.
  auto f = OpenStream(path, L"ab+");
  if (!f) return false;
  return fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
}

Library& Library::operator=(Library&& other) noexcept {
  if (this != &other) {
    Free();
    module_ = other.module_;
    other.module_ = nullptr;
  }
  return *this;
}

void Library::Free() {
  if (module_) FreeLibrary(static_cast<HMODULE>(module_));
  module_ = nullptr;
}

void* Library::Symbol(const char* name) const {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module_), name));
}

std::optional<Library> LoadLibraryAt(const std::u16string& path) {
  HMODULE m = LoadLibraryW(W(path).c_str());
  if (!m) return std::nullopt;
  return Library(m);
}

void ShowMessage(const std::u16string& text, const std::u16string& caption) {
  MessageBoxW(nullptr, W(text).c_str(), W(caption).c_str(), MB_OK);
}

}  // namespace pf::os
