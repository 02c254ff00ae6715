#include "tests/support/test_workspace.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <stdlib.h>
#include <unistd.h>
#endif

#include "platform/os.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace pf::test {
namespace {}  // namespace

// The core's paths use backslashes; the native file system may not.
fs::path NativePath(const std::u16string& path) {
#ifdef _WIN32
  return fs::path(path);
#else
  std::string p = ToUtf8(path);
  for (char& c : p) {
    if (c == '\\') c = '/';
  }
  return fs::path(p);
#endif
}

namespace {
fs::path Native(const std::u16string& path) {
  return NativePath(path);
}

std::u16string Core(const fs::path& p) {
#ifdef _WIN32
  return p.u16string();
#else
  std::string s = p.string();
  for (char& c : s) {
    if (c == '/') c = '\\';
  }
  return FromUtf8(s);
#endif
}

// Removes a folder and everything in it. On Windows the walk uses "\\?\"
// paths and Win32 calls, which (unlike the runtime's std::filesystem) go
// past 259 characters; read-only files are made writable first.
void RemoveTree(const fs::path& folder) {
#ifdef _WIN32
  std::wstring root = fs::absolute(folder).wstring();
  if (root.rfind(L"\\\\?\\", 0) != 0) root = L"\\\\?\\" + root;
  struct Walk {
    static void Remove(const std::wstring& dir) {
      WIN32_FIND_DATAW data;
      HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
      if (find != INVALID_HANDLE_VALUE) {
        do {
          std::wstring name = data.cFileName;
          if (name == L"." || name == L"..") continue;
          std::wstring path = dir + L"\\" + name;
          if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
              !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            Remove(path);
          } else {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
          }
        } while (FindNextFileW(find, &data));
        FindClose(find);
      }
      RemoveDirectoryW(dir.c_str());
    }
  };
  Walk::Remove(root);
#else
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
  }
  fs::remove_all(folder, ec);
#endif
}

std::u16string GetEnvOrEmpty(const std::u16string& name) {
  return os::GetEnv(name).value_or(u"");
}

}  // namespace

void SetEnv(const std::u16string& name, const std::u16string& value) {
#ifdef _WIN32
  SetEnvironmentVariableW(ToWide(name).c_str(), ToWide(value).c_str());
#else
  setenv(ToUtf8(name).c_str(), ToUtf8(value).c_str(), 1);
#endif
}

void UnsetEnv(const std::u16string& name) {
#ifdef _WIN32
  SetEnvironmentVariableW(ToWide(name).c_str(), nullptr);
#else
  unsetenv(ToUtf8(name).c_str());
#endif
}

Workspace::Workspace() {
  static std::atomic<int> counter{0};
  std::ostringstream name;
#ifdef _WIN32
  name << "pf-test-" << GetCurrentProcessId() << "-" << ++counter;
#else
  name << "pf-test-" << getpid() << "-" << ++counter;
#endif
  fs::path dir = fs::temp_directory_path() / name.str();
  RemoveTree(dir);
  fs::create_directories(dir);
  root_ = Core(fs::canonical(dir));
  previousDir_ = Core(fs::current_path());
  fs::current_path(Native(root_));
  for (const char16_t* var : {u"temp", u"tmp", u"appdata"}) {
    savedEnv_.emplace_back(var, GetEnvOrEmpty(var));
  }
  SetEnv(u"temp", Folder(u"tmp"));
  SetEnv(u"tmp", Path(u"tmp"));
  SetEnv(u"appdata", Folder(u"appdata"));
}

Workspace::~Workspace() {
  std::error_code ec;
  fs::current_path(Native(previousDir_), ec);
  for (const auto& [name, value] : savedEnv_) {
    if (value.empty()) {
      UnsetEnv(name);
    } else {
      SetEnv(name, value);
    }
  }
  RemoveTree(Native(root_));
}

std::u16string Workspace::Path(const std::u16string& relative) const {
  return root_ + u"\\" + relative;
}

std::u16string Workspace::Folder(const std::u16string& relative) const {
  fs::create_directories(Native(Path(relative)));
  return Path(relative);
}

std::u16string Workspace::File(const std::u16string& relative, const std::string& bytes) const {
  std::u16string path = Path(relative);
  fs::create_directories(Native(path).parent_path());
  std::ofstream out(Native(path), std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::string ReadAll(const std::u16string& path) {
  std::ifstream in(Native(path), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool FileExists(const std::u16string& path) {
  return fs::exists(Native(path));
}

void SetReadOnly(const std::u16string& path, bool readOnly) {
  auto perms = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  fs::permissions(Native(path), perms, readOnly ? fs::perm_options::remove : fs::perm_options::add);
}

std::vector<std::u16string> ListFolder(const std::u16string& path) {
  std::vector<std::u16string> names;
  for (const auto& e : fs::directory_iterator(Native(path))) {
#ifdef _WIN32
    names.push_back(e.path().filename().u16string());
#else
    names.push_back(FromUtf8(e.path().filename().string()));
#endif
  }
  return names;
}

}  // namespace pf::test
