#include "compress/work_folder.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/os.h"

namespace pf {
namespace {

// The folders of the builds in progress, for a Cancel that ends the process
// before their owners' destructors can run.
struct LiveFolders {
  std::mutex mutex;
  std::vector<std::u16string> paths;
};

LiveFolders& Live() {
  static LiveFolders live;
  return live;
}

void RemoveTree(const std::u16string& path) {
  for (const auto& name : os::FindNames(path + u"\\*")) {
    if (name != u"." && name != u"..") os::DeleteFileAt(path + u"\\" + name);
  }
  os::RemoveFolder(path);
}

}  // namespace

bool WorkFolder::Make(const std::u16string& parent) {
  Remove();
  // The name carries the process id and a counter, and the folder is made
  // only if it did not exist, so two builds can never get the same one.
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::u16string candidate = parent + u"\\build" + os::UniqueSuffix();
    if (os::CreateFolder(candidate)) {
      path_ = candidate;
      auto& live = Live();
      std::lock_guard lock(live.mutex);
      live.paths.push_back(path_);
      return true;
    }
    if (!os::Exists(parent)) return false;
  }
  return false;
}

void WorkFolder::Remove() {
  if (path_.empty()) return;
  {
    auto& live = Live();
    std::lock_guard lock(live.mutex);
    live.paths.erase(std::remove(live.paths.begin(), live.paths.end(), path_), live.paths.end());
  }
  RemoveTree(path_);
  path_.clear();
}

void RemoveWorkFoldersNow() {
  auto& live = Live();
  std::lock_guard lock(live.mutex);
  for (const auto& path : live.paths) RemoveTree(path);
}

}  // namespace pf
