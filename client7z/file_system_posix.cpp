// The client's file access natively. Files are reported as Wine reports
// them to the Windows client (attributes, times to 100 ns), so the same
// files make the same archive on both platforms.
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "client7z/file_system.h"
#include "client7z/paths.h"
#include "platform/name_case.h"

namespace client7z {
namespace {

constexpr std::uint32_t kReadOnly = 0x01, kHidden = 0x02, kDirectory = 0x10, kArchive = 0x20;
// Seconds from 1601-01-01 (FILETIME's epoch) to 1970-01-01.
constexpr std::int64_t kEpochGap = 11644473600;

std::string Native(const std::wstring& path) {
  std::string out;
  for (wchar_t w : path) {
    auto c = static_cast<std::uint32_t>(w);
    if (c == L'\\') c = L'/';
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::wstring Wide(const std::string& text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size();) {
    auto b = static_cast<unsigned char>(text[i]);
    int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
    std::uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
    ++i;
    for (int k = 0; k < extra && i < text.size(); ++k, ++i)
      c = (c << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    out += static_cast<wchar_t>(c);
  }
  return out;
}

std::u16string Utf16(const std::wstring& text) {
  std::u16string out;
  for (wchar_t w : text) {
    auto c = static_cast<std::uint32_t>(w);
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 | (c >> 10));
      out += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

int Fd(const FileHandle& file) {
  return static_cast<int>(file.get());
}

FileHandle Open(const std::wstring& path, int flags) {
  int fd = open(Native(path).c_str(), flags | O_CLOEXEC, 0666);
  return fd < 0 ? FileHandle() : FileHandle(fd);
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
  return close(static_cast<int>(release())) == 0;
}

HRESULT LastErrorResult() {
  return errno == 0 ? E_FAIL : HRESULT_FROM_WIN32(static_cast<DWORD>(errno));
}

bool LastErrorMeansMissing() {
  return errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG;
}

std::wstring FullPath(const std::wstring& path) {
  if (path.empty()) return {};
  std::wstring full = path;
  for (auto& c : full)
    if (c == L'\\') c = L'/';
  if (full.front() == L'/') return full;
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) return {};
  return Wide(cwd) + L"/" + full;
}

bool SameFileName(const std::wstring& a, const std::wstring& b) {
  return pf::SameNameByTable(Utf16(a), Utf16(b));
}

std::optional<FileFacts> ReadFacts(const std::wstring& path) {
  struct stat st;
  if (stat(Native(path).c_str(), &st) != 0) return std::nullopt;
  FileFacts facts;
  facts.folder = S_ISDIR(st.st_mode);
  facts.size = facts.folder ? 0 : static_cast<std::uint64_t>(st.st_size);
  facts.modified = static_cast<std::uint64_t>((st.st_mtim.tv_sec + kEpochGap) * 10000000 +
                                              st.st_mtim.tv_nsec / 100);
  // What Wine tells the Windows client: a file is "archive", a folder is a
  // folder; no write permission at all is read-only; a dot name is hidden.
  facts.attributes = facts.folder ? kDirectory : kArchive;
  if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) facts.attributes |= kReadOnly;
  std::wstring name = BareName(path);
  if (name.size() > 1 && name[0] == L'.' && name != L"..") facts.attributes |= kHidden;
  return facts;
}

FileHandle OpenForReading(const std::wstring& path, bool) {
  return Open(path, O_RDONLY);
}

FileHandle CreateForWriting(const std::wstring& path, bool alsoRead) {
  return Open(path, (alsoRead ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC);
}

HRESULT ReadFrom(const FileHandle& file, void* data, UInt32 size, UInt32* got) {
  *got = 0;
  ssize_t n;
  do n = read(Fd(file), data, size);
  while (n < 0 && errno == EINTR);
  if (n < 0) return LastErrorResult();
  *got = static_cast<UInt32>(n);
  return S_OK;
}

HRESULT ReadAt(const FileHandle& file, UInt64 at, void* data, UInt32 size, UInt32* got) {
  *got = 0;
  ssize_t n;
  do n = pread(Fd(file), data, size, static_cast<off_t>(at));
  while (n < 0 && errno == EINTR);
  if (n < 0) return LastErrorResult();
  *got = static_cast<UInt32>(n);
  return S_OK;
}

HRESULT WriteTo(const FileHandle& file, const void* data, UInt32 size, UInt32* put) {
  *put = 0;
  auto bytes = static_cast<const char*>(data);
  while (*put < size) {
    ssize_t n = write(Fd(file), bytes + *put, size - *put);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? LastErrorResult() : E_FAIL;
    *put += static_cast<UInt32>(n);
  }
  return S_OK;
}

HRESULT SeekIn(const FileHandle& file, Int64 offset, UInt32 origin, UInt64* newPosition) {
  int whence;
  switch (origin) {
    case STREAM_SEEK_SET:
      whence = SEEK_SET;
      break;
    case STREAM_SEEK_CUR:
      whence = SEEK_CUR;
      break;
    case STREAM_SEEK_END:
      whence = SEEK_END;
      break;
    default:
      return STG_E_INVALIDFUNCTION;
  }
  off_t position = lseek(Fd(file), static_cast<off_t>(offset), whence);
  if (position < 0) return LastErrorResult();
  if (newPosition) *newPosition = static_cast<UInt64>(position);
  return S_OK;
}

HRESULT EndHere(const FileHandle& file) {
  off_t here = lseek(Fd(file), 0, SEEK_CUR);
  if (here < 0 || ftruncate(Fd(file), here) != 0) return LastErrorResult();
  return S_OK;
}

std::optional<UInt64> SizeOf(const FileHandle& file) {
  struct stat st;
  if (fstat(Fd(file), &st) != 0) return std::nullopt;
  return static_cast<UInt64>(st.st_size);
}

bool SetModified(const FileHandle& file, std::uint64_t modified) {
  auto ticks = static_cast<std::int64_t>(modified) - kEpochGap * 10000000;
  std::int64_t seconds = ticks / 10000000, rest = ticks % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --seconds;
  }
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(seconds);
  times[1].tv_nsec = static_cast<long>(rest * 100);
  return futimens(Fd(file), times) == 0;
}

bool CreateFolders(const std::wstring& folder, std::vector<std::wstring>* made) {
  if (folder.empty()) return false;
  std::string path = Native(folder);
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  std::wstring parent = FolderOf(folder);
  if (!parent.empty() && !CreateFolders(parent, made)) return false;
  if (mkdir(path.c_str(), 0777) == 0) {
    if (made) made->push_back(folder);
    return true;
  }
  return errno == EEXIST;
}

bool Exists(const std::wstring& path) {
  struct stat st;
  return lstat(Native(path).c_str(), &st) == 0;
}

bool RemoveFolder(const std::wstring& path) {
  return rmdir(Native(path).c_str()) == 0;
}

bool RenameOver(const std::wstring& from, const std::wstring& to) {
  return rename(Native(from).c_str(), Native(to).c_str()) == 0;
}

bool RemoveFile(const std::wstring& path) {
  return unlink(Native(path).c_str()) == 0;
}

unsigned ProcessorCount() {
  long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<unsigned>(n) : 1;
}

unsigned long ProcessId() {
  return static_cast<unsigned long>(getpid());
}

std::wstring OwnFolder() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&OwnFolder), &info) || !info.dli_fname) return {};
  return FolderOf(Wide(info.dli_fname));
}

CodecLibrary::CodecLibrary(const std::wstring& folder) {
  std::string path = folder.empty() ? std::string("7z.so") : Native(folder) + "/7z.so";
  module_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

CodecLibrary::~CodecLibrary() {
  if (module_) dlclose(module_);
}

void* CodecLibrary::Symbol(const char* name) const {
  return module_ ? dlsym(module_, name) : nullptr;
}

}  // namespace client7z
