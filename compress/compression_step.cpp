#include "compress/compression_step.h"

#include <algorithm>
#include <new>
#include <optional>

#include "client7z/client7z.h"
#include "compress/archive_encryption.h"
#include "compress/client_abi.h"
#include "compress/client_result.h"
#include "compress/work_folder.h"
#include "engine/build_failure.h"
#include "engine/build_progress.h"
#include "engine/package_names.h"
#include "engine/path_helpers.h"
#include "platform/engine_message.h"
#include "platform/os.h"
#include "trace/trace_log.h"

namespace pf {
namespace {

// Why a pack failed, for the message after its trace line.
struct PackFailure {
  int result;
  std::u16string file;
};

// The client's progress, as the build's packing stage.
int ForwardPacking(void*, unsigned long long done, unsigned long long total) {
  ReportBuildProgress(BuildStage::kPacking, done, total);
  return 0;
}

// The packing call proper, steps 3 to 10; the caller cleans up after it.
// The archive and the library copies go into `workFolder`, made here under
// %temp%\ZPK for this build alone.
std::optional<PackFailure> PackThroughClient(std::u16string& compressedFilePath,
                                             std::u16string& client7zTempPath,
                                             std::u16string& sevenZipTempPath,
                                             const std::vector<std::u16string>& filesForCompression,
                                             const std::u16string& programFolder,
                                             std::int32_t count, WorkFolder& workFolder) {
  // Unset or longer than its 1023-character buffer: no archive path at all,
  // rather than a path at the root of the current drive.
  std::optional<std::u16string> temp = os::GetEnv(u"temp");
  std::u16string envTempPath = temp.value_or(u"");
  Write(u"envTempPath:- %s\t", envTempPath);
  if (!temp) {
    Write(u"CompressFiles:- temp is not set or too long; nothing is packed");
    return std::nullopt;
  }
  std::u16string zpkPath;
  AppendElementToPath(zpkPath, envTempPath, std::u16string(kWorkFoldersName));
  os::CreateFolder(zpkPath);
  if (!workFolder.Make(zpkPath)) {
    Write(u"CompressFiles:- no work folder can be made under %s; nothing is packed", zpkPath);
    return std::nullopt;
  }
  AppendElementToPath(compressedFilePath, workFolder.path(), std::u16string(kArchiveName));
  if (CheckIfCompressNameExist(workFolder.path())) {
    os::DeleteFileAt(compressedFilePath);
    Write(u"CompressFiles:- compressedFilePath is deleted");
  }
  Create7zipDllsDirectory(client7zTempPath, sevenZipTempPath, zpkPath, workFolder.path(),
                          programFolder);
  Write(u"CompressFiles:- compressInputData's: client7zTempPath- %s,compressedFilePath-%s",
        client7zTempPath, compressedFilePath);
  const ClientChar* compressInputData[3] = {ClientText(client7zTempPath), ClientText(u"a"),
                                            ClientText(compressedFilePath)};
  std::vector<const ClientChar*> files;
  files.reserve(filesForCompression.size());
  for (const auto& f : filesForCompression) files.push_back(ClientText(f));

  auto library = os::LoadLibraryAt(client7zTempPath);
  if (!library) {
    Write(u"CompressFiles:- not able to load the Client7zip Library");
    ShowEngineMessage(u"Problem Loading Client7zip Library", std::u16string(kAppTitle));
    return std::nullopt;
  }
  Write(u"CompressFiles:- client7zTempPath: %s", client7zTempPath);
  auto decompress = reinterpret_cast<DecompressFunction>(library->Symbol("Decompress"));
  // An encrypted archive: the password goes through the options, never
  // into the argument list or a trace line.
  const std::u16string* password = ArchivePassword();
  auto decompressEx = reinterpret_cast<DecompressExFunction>(library->Symbol("DecompressEx"));
  std::optional<PackFailure> failure;
  if (!decompress || (password && !decompressEx)) {
    Write(u"CompressFiles:- GetProcAddress is NULL");
    // An older client without the options: packing in the clear instead
    // would break the promise of the mode.
    if (password)
      failure = PackFailure{kClient7zBadArguments,
                            programFolder + u"\\" + std::u16string(kClientLibraryName)};
  } else {
    if (password) Write(u"CompressFiles:- the archive is encrypted");
    // The options go only to a client that has the second entry; someone
    // watching the build (the console) gets the packing progress through it.
    ClientOptions options;
    if (password) options.password = ClientText(*password);
    if (BuildProgressWatched()) options.progress = &ForwardPacking;
    bool withOptions = decompressEx && (password || options.progress);
    int getCompressResult = withOptions
                                ? decompressEx(3, compressInputData, files.data(), count, &options)
                                : decompress(3, compressInputData, files.data(), count);
    Write(u"CompressFiles:- getCompressResult: %d", getCompressResult);
    if (getCompressResult != 0) {
      std::vector<std::u16string> packed(filesForCompression.begin(),
                                         filesForCompression.begin() + count);
      // The codec named where the user can replace it, not its copy.
      failure = PackFailure{
          getCompressResult,
          FileBehindPackResult(getCompressResult, packed, compressedFilePath,
                               programFolder + u"\\" + std::u16string(kPackingCodecName))};
    }
  }
  library->Free();
  return failure;
}

}  // namespace

void GetDataFilesInfoAfterCompression(std::vector<std::u16string>& resultList,
                                      const std::vector<std::u16string>& dataFiles,
                                      std::vector<std::int32_t>& decompressFlags,
                                      std::int32_t noOfFiles, const std::u16string& programFolder,
                                      WorkFolder& workFolder) {
  Write(u"Entered GetDataFilesInfoAfterCompression:-");
  std::size_t n = static_cast<std::size_t>(std::max<std::int32_t>(noOfFiles, 0));
  if (n > dataFiles.size()) n = dataFiles.size();
  std::vector<std::u16string> filesForCompression;
  try {
    filesForCompression.reserve(n);
    if (decompressFlags.size() < n + 1) decompressFlags.resize(n + 1, 0);
  } catch (const std::bad_alloc&) {
    Write(u"Memory Allocation Error:- filesForCompression");
    throw BuildFailure{};
  }
  // Paths to pack keep their full length: no 260-character buffer.
  std::size_t k = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (decompressFlags[i] == -1) {
      filesForCompression.push_back(dataFiles[i]);
    } else {
      resultList.push_back(dataFiles[i]);
      decompressFlags[k] = decompressFlags[i];
      ++k;
    }
  }
  std::u16string compressedFilePath;
  CompressFiles(compressedFilePath, filesForCompression, programFolder,
                static_cast<std::int32_t>(filesForCompression.size()), workFolder);
  resultList.push_back(compressedFilePath);
  decompressFlags[k] = 1;
  Write(u"Exited GetDataFilesInfoAfterCompression");
}

void CompressFiles(std::u16string& compressedFilePath,
                   const std::vector<std::u16string>& filesForCompression,
                   const std::u16string& programFolder, std::int32_t count,
                   WorkFolder& workFolder) {
  Write(u"Entered CompressFiles:-");
  std::u16string client7zTempPath;
  std::u16string sevenZipTempPath;
  if (count < 0) count = 0;
  if (static_cast<std::size_t>(count) > filesForCompression.size())
    count = static_cast<std::int32_t>(filesForCompression.size());
  std::optional<PackFailure> failure;
  try {
    failure = PackThroughClient(compressedFilePath, client7zTempPath, sevenZipTempPath,
                                filesForCompression, programFolder, count, workFolder);
  } catch (const std::bad_alloc&) {
    Write(u"Memory Allocation Error:- envTempPath");
    compressedFilePath.clear();
  }
  // The private copies go whatever happened.
  os::DeleteFileAt(client7zTempPath);
  os::DeleteFileAt(sevenZipTempPath);
  if (failure) {
    // The archive the client was asked for was not made as asked: the
    // package must not be built around whatever lies at that path.
    ShowEngineMessage(DescribeClientResult(failure->result, failure->file),
                      std::u16string(kAppTitle));
    throw BuildFailure{};
  }
  Write(u"Exited CompressFiles");
}

void Create7zipDllsDirectory(std::u16string& client7zTempPath, std::u16string& sevenZipTempPath,
                             const std::u16string& zpkPath, const std::u16string& zpkTempPath,
                             const std::u16string& programFolder) {
  Write(u"Entered DlldDirectory:");
  // Both folders exist already (the second is the build's work folder);
  // the calls and lines stay so the trace reads as it always has.
  os::CreateFolder(zpkPath);
  Write(u"Create7zipDllsDirectory:- CreateDirectory-zpkPath-%s", zpkPath);
  os::CreateFolder(zpkTempPath);
  Write(u"Create7zipDllsDirectory:- CreateDirectory-zpkTempPath-%s", zpkTempPath);
  std::u16string client7zDll;
  AppendElementToPath(client7zDll, programFolder, std::u16string(kPackingClientName));
  AppendElementToPath(client7zTempPath, zpkTempPath, std::u16string(kPackingClientName));
  os::CopyFileOver(client7zDll, client7zTempPath);
  Write(u"Create7zipDllsDirectory:- CopyFile:-File1-client7zDll-%s,File2-client7zTempPath-%s",
        client7zDll, client7zTempPath);
  std::u16string sevenZipDll;
  AppendElementToPath(sevenZipDll, programFolder, std::u16string(kPackingCodecName));
  AppendElementToPath(sevenZipTempPath, zpkTempPath, std::u16string(kPackingCodecName));
  os::CopyFileOver(sevenZipDll, sevenZipTempPath);
  Write(u"Create7zipDllsDirectory:- CopyFile:-File1-sevenZipDll-%s,File2-sevenZipTempPath-%s",
        sevenZipDll, sevenZipTempPath);
  Write(u"Exited DllDirectory:-");
}

bool CheckIfCompressNameExist(const std::u16string& folder) {
  Write(u"Entered CheckIfCompressNameExist:- ");
  std::u16string pattern;
  pattern += folder;
  pattern += u"\\*.7z";
  // FindNames closes its enumeration before it returns.
  for (const auto& name : os::FindNames(pattern)) {
    if (name == kArchiveName) {
      Write(u"CheckIfCompressNameExist:- file Found");
      return true;
    }
  }
  return false;
}

}  // namespace pf
