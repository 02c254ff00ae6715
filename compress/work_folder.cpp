#include "compress/work_folder.h"

#include "platform/os.h"

namespace pf {

bool WorkFolder::Make(const std::u16string& parent) {
  Remove();
  // The name carries the process id and a counter, and the folder is made
  // only if it did not exist, so two builds can never get the same one.
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::u16string candidate = parent + u"\\build" + os::UniqueSuffix();
    if (os::CreateFolder(candidate)) {
      path_ = candidate;
      return true;
    }
    if (!os::Exists(parent)) return false;
  }
  return false;
}

void WorkFolder::Remove() {
  if (path_.empty()) return;
  for (const auto& name : os::FindNames(path_ + u"\\*")) {
    if (name != u"." && name != u"..") os::DeleteFileAt(path_ + u"\\" + name);
  }
  os::RemoveFolder(path_);
  path_.clear();
}

}  // namespace pf
