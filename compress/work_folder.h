// The folder of one build under %temp%\ZPK: the archive and the library
// copies of that build live there, so builds side by side never share (or
// overwrite) each other's files. Removed with its content when the object
// goes, whether the build succeeded or not.
#pragma once
#include <string>
#include <string_view>

namespace pf {

// The folder under %temp% that holds every build's work folder.
inline constexpr std::u16string_view kWorkFoldersName = u"ZPK";

class WorkFolder {
 public:
  WorkFolder() = default;
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
  ~WorkFolder() { Remove(); }

  // Makes a folder under `parent` that no other build uses; false when
  // none could be made. Any folder made before is removed first.
  bool Make(const std::u16string& parent);
  // Empty until Make succeeds.
  const std::u16string& path() const { return path_; }
  // Deletes the files in it, then the folder.
  void Remove();

 private:
  std::u16string path_;
};

// A Cancel that ends the process calls this: the work folders of the builds
// in progress go with their content, as far as nothing holds a file open.
void RemoveWorkFoldersNow();

}  // namespace pf
