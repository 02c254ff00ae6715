#include "compress/archive_check.h"

#include <algorithm>

#include "client7z/client7z.h"
#include "compress/client_abi.h"
#include "compress/client_result.h"
#include "compress/work_folder.h"
#include "engine/package_names.h"
#include "platform/os.h"

namespace pf {

std::optional<ArchiveRefusal> CheckArchivesToUnpack(
    const std::u16string& programFolder, const std::vector<std::u16string>& dataFiles,
    const std::vector<std::int32_t>& decompressFlags, std::int32_t noOfFiles) {
  std::size_t n = std::min({static_cast<std::size_t>(std::max<std::int32_t>(noOfFiles, 0)),
                            dataFiles.size(), decompressFlags.size()});
  std::vector<std::u16string> archives;
  for (std::size_t i = 2; i < n; ++i)
    if (decompressFlags[i] == 1 && os::Exists(dataFiles[i])) archives.push_back(dataFiles[i]);
  if (archives.empty()) return std::nullopt;

  // The client is loaded from private copies, as the compression step does.
  auto temp = os::GetEnv(u"temp");
  if (!temp) return std::nullopt;
  std::u16string zpkPath = *temp + u"\\" + std::u16string(kWorkFoldersName);
  os::CreateFolder(zpkPath);
  WorkFolder work;
  if (!work.Make(zpkPath)) return std::nullopt;
  const std::u16string client = work.path() + u"\\" + std::u16string(kPackingClientName);
  os::CopyFileOver(programFolder + u"\\" + std::u16string(kPackingClientName), client);
  os::CopyFileOver(programFolder + u"\\" + std::u16string(kPackingCodecName),
                   work.path() + u"\\" + std::u16string(kPackingCodecName));
  std::optional<ArchiveRefusal> refusal;
  {
    auto library = os::LoadLibraryAt(client);
    if (!library) return std::nullopt;
    auto decompress = reinterpret_cast<DecompressFunction>(library->Symbol("Decompress"));
    if (!decompress) return std::nullopt;
    const std::u16string list = u"l";
    for (const auto& archive : archives) {
      const ClientChar* argv[3] = {ClientText(client), ClientText(list), ClientText(archive)};
      int result = decompress(3, argv, nullptr, 0);
      // A codec that cannot be loaded says nothing about the archive.
      if (result == kClient7zOk || result == kClient7zCodecMissing) continue;
      refusal = ArchiveRefusal{archive, DescribeClientResult(result, archive)};
      break;
    }
  }  // the library is released before its folder is removed
  return refusal;
}

}  // namespace pf
