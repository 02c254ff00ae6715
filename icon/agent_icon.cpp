#include "icon/agent_icon.h"

#include <algorithm>
#include <new>

#include "engine/build_failure.h"
#include "engine/locate_file.h"
#include "engine/package_names.h"
#include "platform/os.h"
#include "trace/trace_log.h"

namespace pf {
namespace {

constexpr std::uint16_t kRtIcon = 3;
constexpr std::uint16_t kRtGroupIcon = 14;
constexpr std::uint16_t kNeutralLanguage = 0;
constexpr std::uint16_t kEnglishUs = 1033;
constexpr char16_t kGroupName[] = u"MAINICON";

// A fresh file with ordinary attributes: a copy made with the file system's
// copy would inherit a read-only flag, which the resource update refuses.
bool CopyAgent(const std::u16string& from, const std::u16string& to) {
  auto in = os::OpenForRead(from);
  if (!in) return false;
  auto out = os::CreateForWrite(to);
  if (!out) return false;
  std::vector<std::uint8_t> chunk(1 << 20);
  for (;;) {
    auto got = in->Read(chunk.data(), chunk.size());
    if (!got) return false;
    if (*got == 0) return true;
    if (!out->Write(chunk.data(), *got)) return false;
  }
}

// A unique name for this build's copy: in the build's own folder when it
// has one, else in the user's temporary folder.
std::u16string PrivateAgentPath(const std::u16string& privateFolder) {
  std::u16string folder = !privateFolder.empty()
                              ? privateFolder
                              : os::GetEnv(u"temp").value_or(os::GetEnv(u"tmp").value_or(u"."));
  return folder + u"\\SelfExtractor" + os::UniqueSuffix() + u".exe";
}

}  // namespace

StampedAgent::StampedAgent(StampedAgent&& other) noexcept
    : path_(std::move(other.path_)), owned_(other.owned_) {
  other.owned_ = false;
}

StampedAgent::~StampedAgent() {
  if (owned_) os::DeleteFileAt(path_);
}

IconImplementer::IconImplementer(std::u16string iconFile) : iconFile_(std::move(iconFile)) {
  Write(u"Entered IconImplementer");
  IconFileInitialize();
  Write(u"Exited IconImplementer");
}

IconImplementer::~IconImplementer() {
  Write(u"Entered ~IconImplementer");
  lpBuffer_.clear();
  lpBuffer_.shrink_to_fit();
  Write(u"Exited ~IconImplementer");
}

void IconImplementer::IconFileInitialize() {
  Write(u"Entered IconFileInitialize");
  CreateFileBuffer();
  ReadFileIntoBuffer();
  Write(u"Exited IconFileInitialize");
}

void IconImplementer::CreateFileBuffer() {
  Write(u"Entered CreateFileBuffer");
  fileLen_ = GetFileLength();
  try {
    lpBuffer_.assign(static_cast<std::size_t>(fileLen_ < 0 ? 0 : fileLen_), 0);
  } catch (const std::bad_alloc&) {
    Write(u"Icon Error: Memory Allocation for lpBuffer Failed");
    throw BuildFailure{};
  }
  Write(u"Exited CreateFileBuffer");
}

std::int32_t IconImplementer::GetFileLength() {
  Write(u"Entered GetFileLength");
  std::uint64_t size = os::StatSize(iconFile_).value_or(0);
  // A length the 32-bit field cannot hold cannot be a single icon either;
  // it is read as 0 and refused below as too short.
  auto fileLen = size > 0x7FFFFFFF ? 0 : static_cast<std::int32_t>(size);
  Write(u"Exited GetFileLength fileLen: %d", fileLen);
  return fileLen;
}

void IconImplementer::ReadFileIntoBuffer() {
  Write(u"Entered ReadFileIntoBuffer");
  auto file = os::OpenForRead(iconFile_);
  if (!file) {
    Write(u"Icon Error: Invalid File Handle during File open");
    throw BuildFailure{};
  }
  auto got = lpBuffer_.empty() ? std::optional<std::size_t>(0)
                               : file->Read(lpBuffer_.data(), lpBuffer_.size());
  if (!got || *got != lpBuffer_.size()) {
    Write(u"Icon Error: Reading Icon  file Failed");
    throw BuildFailure{};
  }
  // Entries pointing outside the file or into its directory would stamp
  // bytes that are no image.
  ico_ = ReadIcoFile(lpBuffer_);
  if (!ico_.ok()) {
    Write(u"Icon Error: Invalid icon file (%s): %s", ico_.error, iconFile_);
    throw BuildFailure{};
  }
  Write(u"Exited ReadFileIntoBuffer");
}

void IconImplementer::SetIconProperties() {
  Write(u"Entered SetIconProperties");
  groupIconDir_ = MakeGroupIconDirectory(ico_, lpBuffer_);
  Write(u"Exited SetIconProperties");
}

void IconImplementer::UpdateIcon(const std::u16string& targetFile) {
  Write(u"Entered UpdateIcon");
  // Images the agent's own group names beyond the new ones would linger
  // unused in every package. The resource update cannot delete a single
  // resource everywhere (Wine refuses), so then the update starts empty and
  // every other resource is written back as it was.
  std::vector<std::uint16_t> stale;
  std::vector<os::Resource> kept;
  if (auto existing = os::ReadResources(targetFile)) {
    for (const auto& r : *existing)
      if (r.type == os::ResourceName(kRtGroupIcon) &&
          r.name == os::ResourceName(std::u16string(kGroupName)))
        for (std::uint16_t id : GroupIconIds(r.data))
          if (id > ico_.images.size()) stale.push_back(id);
    if (!stale.empty())
      for (auto& r : *existing) {
        bool staleImage =
            r.type == os::ResourceName(kRtIcon) && std::holds_alternative<std::uint16_t>(r.name) &&
            std::find(stale.begin(), stale.end(), std::get<std::uint16_t>(r.name)) != stale.end();
        if (!staleImage) kept.push_back(std::move(r));
      }
  }
  auto update = os::BeginResourceUpdate(targetFile, !stale.empty());
  if (!update) {
    Write(u"Icon Error: Begin update resource failed");
    throw BuildFailure{};
  }
  auto imageFailed = [&] {
    Write(u"Icon Error: Icon Header update failed");
    update->End(true);
    throw BuildFailure{};
  };
  for (const auto& r : kept)
    if (!update->Update(r.type, r.name, r.language, r.data.data(), r.data.size())) imageFailed();
  for (std::size_t i = 0; i < ico_.images.size(); ++i) {
    const IcoImage& image = ico_.images[i];
    if (!update->Update(kRtIcon, static_cast<std::uint16_t>(i + 1), kNeutralLanguage,
                        lpBuffer_.data() + image.offset, image.size))
      imageFailed();
  }
  if (!update->Update(kRtGroupIcon, std::u16string(kGroupName), kEnglishUs, groupIconDir_.data(),
                      groupIconDir_.size())) {
    Write(u"Icon Error: Icon update failed");
    update->End(true);
    throw BuildFailure{};
  }
  update->End(false);
  Write(u"Exited UpdateIcon");
}

void ChangeIconInPE(const std::u16string& iconFile, const std::u16string& targetFile) {
  Write(u"Entered ChangeIconInPE:- ");
  IconImplementer icon(iconFile);
  icon.SetIconProperties();
  icon.UpdateIcon(targetFile);
  Write(u"Exited ChangeIconInPE:- ");
}

StampedAgent SetIconForSelfExtractorAgent(const std::u16string& iconFilePath,
                                          const std::u16string& LiveExtractorFilePath,
                                          const std::u16string& programFolder,
                                          const std::u16string& privateFolder) {
  Write(u"Entered SetIconForSelfExtractorAgent:-");
  std::u16string iconFile = !iconFilePath.empty()
                                ? iconFilePath
                                : LocateFile(programFolder, std::u16string(kDefaultIconName));
  std::u16string copyPath = PrivateAgentPath(privateFolder);
  if (!CopyAgent(LiveExtractorFilePath, copyPath)) {
    os::DeleteFileAt(copyPath);
    Write(u"Icon Error: Copying the agent failed: %s", copyPath);
    Write(u"Change Icon failed. Hence skipped and continued the process");
    return StampedAgent(LiveExtractorFilePath, false);
  }
  StampedAgent stamped(copyPath, true);
  try {
    ChangeIconInPE(iconFile, stamped.path());
  } catch (const BuildFailure&) {
    Write(u"Change Icon failed. Hence skipped and continued the process");
  }
  return stamped;
}

}  // namespace pf
