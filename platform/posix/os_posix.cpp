// The native stand-in of the seam for unit tests: the same contracts on a
// POSIX file system. Backslashes in paths become "/", and names are UTF-8.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "platform/name_case.h"
#include "platform/os.h"
#include "platform/text.h"

extern char** environ;

namespace pf::os {
namespace {

std::string Native(const std::u16string& path) {
  std::string p = ToUtf8(path);
  for (char& c : p) {
    if (c == '\\') c = '/';
  }
  return p;
}

int Fd(std::intptr_t h) {
  return static_cast<int>(h);
}

std::optional<File> OpenFd(const std::u16string& path, int flags) {
  if (path.empty()) return std::nullopt;
  std::string p = Native(path);
  struct stat st;
  // CreateFileW does not open folders as files.
  if (stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return std::nullopt;
  int fd = open(p.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) return std::nullopt;
  return File(fd);
}

bool WriteAll(FILE* f, const void* data, std::size_t n) {
  return fwrite(data, 1, n, f) == n;
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
  if (handle_ != kInvalid) close(Fd(handle_));
  handle_ = kInvalid;
}

std::uint32_t File::SizeLow32() const {
  auto s = Size();
  return s ? static_cast<std::uint32_t>(*s) : 0xFFFFFFFFu;
}

std::optional<std::uint64_t> File::Size() const {
  struct stat st;
  if (fstat(Fd(handle_), &st) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

std::optional<std::size_t> File::Read(void* buffer, std::size_t count) {
  std::size_t done = 0;
  auto* p = static_cast<char*>(buffer);
  while (done < count) {
    ssize_t got = read(Fd(handle_), p + done, count - done);
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

bool File::Write(const void* buffer, std::size_t count) {
  std::size_t done = 0;
  auto* p = static_cast<const char*>(buffer);
  while (done < count) {
    ssize_t put = write(Fd(handle_), p + done, count - done);
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

std::optional<File> OpenForRead(const std::u16string& path) {
  return OpenFd(path, O_RDONLY);
}

std::optional<File> CreateForWrite(const std::u16string& path) {
  return OpenFd(path, O_WRONLY | O_CREAT | O_TRUNC);
}

std::optional<File> CreateNewDeletable(const std::u16string& path) {
  return OpenFd(path, O_WRONLY | O_CREAT | O_EXCL);
}

bool Exists(const std::u16string& path) {
  if (path.empty()) return false;
  // FindFirstFileW fails on a path that ends in a separator.
  if (path.back() == u'\\' || path.back() == u'/') return false;
  struct stat st;
  return stat(Native(path).c_str(), &st) == 0;
}

std::optional<std::uint64_t> StatSize(const std::u16string& path) {
  struct stat st;
  if (path.empty() || stat(Native(path).c_str(), &st) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

std::vector<std::u16string> FindNames(const std::u16string& pattern) {
  std::vector<std::u16string> names;
  std::string p = Native(pattern);
  auto slash = p.rfind('/');
  std::string folder = slash == std::string::npos ? "." : p.substr(0, slash);
  std::string glob = slash == std::string::npos ? p : p.substr(slash + 1);
  if (folder.empty()) folder = "/";
  DIR* dir = opendir(folder.c_str());
  if (!dir) return names;
  while (dirent* e = readdir(dir)) {
    // Windows matches wildcards without regard to letter case.
    if (fnmatch(glob.c_str(), e->d_name, FNM_CASEFOLD) == 0) names.push_back(FromUtf8(e->d_name));
  }
  closedir(dir);
  return names;
}

bool CreateFolder(const std::u16string& path) {
  return !path.empty() && mkdir(Native(path).c_str(), 0755) == 0;
}

bool RemoveFolder(const std::u16string& path) {
  return !path.empty() && rmdir(Native(path).c_str()) == 0;
}

bool CopyFileOver(const std::u16string& from, const std::u16string& to) {
  auto in = OpenForRead(from);
  if (!in) return false;
  auto out = CreateForWrite(to);
  if (!out) return false;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    auto got = in->Read(buffer.data(), buffer.size());
    if (!got) return false;
    if (*got == 0) return true;
    if (!out->Write(buffer.data(), *got)) return false;
  }
}

bool DeleteFileAt(const std::u16string& path) {
  return !path.empty() && unlink(Native(path).c_str()) == 0;
}

bool ReplaceWith(const std::u16string& from, const std::u16string& to) {
  return rename(Native(from).c_str(), Native(to).c_str()) == 0;
}

std::u16string UniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  return FromUtf8("." + std::to_string(getpid()) + "-" + std::to_string(++counter));
}

// The core sees backslash separators on every platform.
static std::u16string Core(std::string native) {
  for (char& c : native) {
    if (c == '/') c = '\\';
  }
  return FromUtf8(native);
}

bool NamesEqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return SameNameByTable(a, b);
}

std::u16string FullPath(const std::u16string& path) {
  std::string p = Native(path);
  if (!p.empty() && p[0] == '/') return Core(p);
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) return path;
  return Core(std::string(cwd) + "/" + p);
}

bool SetCurrentFolder(const std::u16string& path) {
  return !path.empty() && chdir(Native(path).c_str()) == 0;
}

std::u16string ExecutableFolder() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return u".";
  std::string p(buffer, static_cast<std::size_t>(n));
  return Core(p.substr(0, p.rfind('/')));
}

std::optional<std::u16string> GetEnv(const std::u16string& name) {
  std::string wanted = ToUtf8(name);
  for (char** e = environ; *e; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (!eq || static_cast<std::size_t>(eq - *e) != wanted.size()) continue;
    if (strncasecmp(*e, wanted.c_str(), wanted.size()) != 0) continue;
    std::u16string value = FromUtf8(eq + 1);
    if (value.empty() || value.size() > 1023) return std::nullopt;
    return value;
  }
  return std::nullopt;
}

LogTextForm NativeLogTextForm() {
  return LogTextForm::kUtf8Lf;
}

bool WriteWholeFile(const std::u16string& path, const std::vector<std::uint8_t>& bytes) {
  FILE* f = fopen(Native(path).c_str(), "wb");
  if (!f) return false;
  bool ok = WriteAll(f, bytes.data(), bytes.size());
  return fclose(f) == 0 && ok;
}

std::optional<std::vector<std::uint8_t>> ReadFilePrefix(const std::u16string& path,
                                                        std::size_t maxBytes) {
  FILE* f = fopen(Native(path).c_str(), "rb");
  if (!f) return std::nullopt;
  std::vector<std::uint8_t> bytes(maxBytes);
  bytes.resize(fread(bytes.data(), 1, maxBytes, f));
  fclose(f);
  return bytes;
}

bool AppendToFile(const std::u16string& path, const std::string& bytes) {
  FILE* f = fopen(Native(path).c_str(), "ab+");
  if (!f) return false;
  bool ok = WriteAll(f, bytes.data(), bytes.size());
  return fclose(f) == 0 && ok;
}

Library& Library::operator=(Library&& other) noexcept {
  if (this != &other) {
    Free();
    module_ = other.module_;
    other.module_ = nullptr;
  }
  return *this;
}

// A native shared object stands in for a Windows library in the unit tests;
// a Windows DLL fails to load, as a missing library does.
void Library::Free() {
  if (module_) dlclose(module_);
  module_ = nullptr;
}
void* Library::Symbol(const char* name) const {
  return module_ ? dlsym(module_, name) : nullptr;
}
std::optional<Library> LoadLibraryAt(const std::u16string& path) {
  if (path.empty()) return std::nullopt;
  void* module = dlopen(Native(path).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) return std::nullopt;
  return Library(module);
}

void ShowMessage(const std::u16string& text, const std::u16string& caption) {
  std::cerr << ToUtf8(caption) << ": " << ToUtf8(text) << "\n";
}

}  // namespace pf::os
