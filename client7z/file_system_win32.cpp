// The client's file access on Windows: the Win32 calls the commands are
// defined by.
#include "client7z/file_system.h"

#include "client7z/paths.h"

namespace client7z {
namespace {

HANDLE H(const FileHandle& file) {
  return reinterpret_cast<HANDLE>(file.get());
}

FileHandle Own(HANDLE h) {
  return h == INVALID_HANDLE_VALUE ? FileHandle() : FileHandle(reinterpret_cast<std::intptr_t>(h));
}

}  // namespace

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.release();
  }
  return *this;
}

bool FileHandle::Close() {
  if (handle_ == kInvalid) return true;
  return CloseHandle(reinterpret_cast<HANDLE>(release())) != FALSE;
}

HRESULT LastErrorResult() {
  DWORD error = GetLastError();
  return error == 0 ? E_FAIL : HRESULT_FROM_WIN32(error);
}

bool LastErrorMeansMissing() {
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH;
}

std::wstring FullPath(const std::wstring& given) {
  if (given.empty()) return {};
  if (given.rfind(L"\\\\?\\", 0) == 0) return given;
  // GetFullPathNameW resolves "." and ".." and turns "/" into "\"; the
  // prefixed form is taken literally afterwards.
  DWORD n = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
  if (n == 0) return {};
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(given.c_str(), n, full.data(), nullptr);
  if (n == 0 || n >= full.size()) return {};
  full.resize(n);
  if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) return full;
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

bool SameFileName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::optional<FileFacts> ReadFacts(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  FileFacts facts;
  facts.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  facts.modified = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                   data.ftLastWriteTime.dwLowDateTime;
  facts.attributes = data.dwFileAttributes;
  facts.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return facts;
}

FileHandle OpenForReading(const std::wstring& path, bool sequential) {
  return Own(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         sequential ? FILE_FLAG_SEQUENTIAL_SCAN : FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle CreateForWriting(const std::wstring& path, bool alsoRead) {
  DWORD access = alsoRead ? GENERIC_READ | GENERIC_WRITE : GENERIC_WRITE;
  return Own(
      CreateFileW(path.c_str(), access, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

HRESULT ReadFrom(const FileHandle& file, void* data, UInt32 size, UInt32* got) {
  DWORD n = 0;
  *got = 0;
  if (!ReadFile(H(file), data, size, &n, nullptr)) return LastErrorResult();
  *got = n;
  return S_OK;
}

HRESULT ReadAt(const FileHandle& file, UInt64 at, void* data, UInt32 size, UInt32* got) {
  OVERLAPPED where{};
  where.Offset = static_cast<DWORD>(at);
  where.OffsetHigh = static_cast<DWORD>(at >> 32);
  DWORD n = 0;
  *got = 0;
  if (!ReadFile(H(file), data, size, &n, &where)) return LastErrorResult();
  *got = n;
  return S_OK;
}

HRESULT WriteTo(const FileHandle& file, const void* data, UInt32 size, UInt32* put) {
  DWORD n = 0;
  *put = 0;
  if (!WriteFile(H(file), data, size, &n, nullptr)) return LastErrorResult();
  *put = n;
  return S_OK;
}

HRESULT SeekIn(const FileHandle& file, Int64 offset, UInt32 origin, UInt64* newPosition) {
  DWORD method;
  switch (origin) {
    case STREAM_SEEK_SET:
      method = FILE_BEGIN;
      break;
    case STREAM_SEEK_CUR:
      method = FILE_CURRENT;
      break;
    case STREAM_SEEK_END:
      method = FILE_END;
      break;
    default:
      return STG_E_INVALIDFUNCTION;
  }
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER position;
  if (!SetFilePointerEx(H(file), distance, &position, method)) return LastErrorResult();
  if (newPosition) *newPosition = static_cast<UInt64>(position.QuadPart);
  return S_OK;
}

HRESULT EndHere(const FileHandle& file) {
  return SetEndOfFile(H(file)) ? S_OK : LastErrorResult();
}

std::optional<UInt64> SizeOf(const FileHandle& file) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(H(file), &size)) return std::nullopt;
  return static_cast<UInt64>(size.QuadPart);
}

bool SetModified(const FileHandle& file, std::uint64_t modified) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(modified);
  time.dwHighDateTime = static_cast<DWORD>(modified >> 32);
  return SetFileTime(H(file), nullptr, nullptr, &time) != FALSE;
}

bool CreateFolders(const std::wstring& folder, std::vector<std::wstring>* made) {
  if (folder.empty()) return false;
  DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  std::wstring parent = FolderOf(folder);
  // Stop at the root of the long form ("\\?\C:" or "\\?\UNC\server\share").
  if (!parent.empty() && parent.size() > 6 && !CreateFolders(parent, made)) return false;
  if (CreateDirectoryW(folder.c_str(), nullptr)) {
    if (made) made->push_back(folder);
    return true;
  }
  return GetLastError() == ERROR_ALREADY_EXISTS;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveFolder(const std::wstring& path) {
  return RemoveDirectoryW(path.c_str()) != FALSE;
}

bool RenameOver(const std::wstring& from, const std::wstring& to) {
  return MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool RemoveFile(const std::wstring& path) {
  return DeleteFileW(path.c_str()) != FALSE;
}

unsigned ProcessorCount() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors;
}

unsigned long ProcessId() {
  return GetCurrentProcessId();
}

std::wstring OwnFolder() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&OwnFolder), &self))
    return {};
  std::wstring path(32768, L'\0');
  DWORD n = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return {};
  path.resize(n);
  return FolderOf(path);
}

CodecLibrary::CodecLibrary(const std::wstring& folder) {
  std::wstring path = folder.empty() ? std::wstring(L"7z.dll") : folder + L"\\7z.dll";
  // The full path, and its own folder searched for what it depends on.
  module_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

CodecLibrary::~CodecLibrary() {
  if (module_) FreeLibrary(static_cast<HMODULE>(module_));
}

void* CodecLibrary::Symbol(const char* name) const {
  return module_ ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module_), name))
                 : nullptr;
}

}  // namespace client7z
