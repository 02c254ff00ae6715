// A fresh folder per test, made the current folder, with "temp" and
// "appdata" pointing into it. Paths are in the core's form (backslashes).
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pf::test {

class Workspace {
 public:
  Workspace();
  ~Workspace();
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  // The workspace folder, and a path inside it.
  const std::u16string& root() const { return root_; }
  std::u16string Path(const std::u16string& relative) const;
  // Makes a folder (and its parents) inside the workspace; returns its path.
  std::u16string Folder(const std::u16string& relative) const;
  // Writes a file inside the workspace; returns its path.
  std::u16string File(const std::u16string& relative, const std::string& bytes) const;

 private:
  std::u16string root_;
  std::u16string previousDir_;
  std::vector<std::pair<std::u16string, std::u16string>> savedEnv_;
};

// A core path (backslashes) as the native file system spells it.
std::filesystem::path NativePath(const std::u16string& path);

std::string ReadAll(const std::u16string& path);
bool FileExists(const std::u16string& path);
void SetEnv(const std::u16string& name, const std::u16string& value);
void UnsetEnv(const std::u16string& name);
// Makes a file read-only (or writable again).
void SetReadOnly(const std::u16string& path, bool readOnly);
// Lists the names in a folder.
std::vector<std::u16string> ListFolder(const std::u16string& path);

}  // namespace pf::test
