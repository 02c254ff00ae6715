#include "compress/compression_step.h"

#include <algorithm>
#include <new>
#include <optional>

#include "engine/build_failure.h"
#include "engine/package_names.h"
#include "engine/path_helpers.h"
#include "platform/engine_message.h"
#include "platform/os.h"
#include "trace/trace_log.h"

namespace pf {
namespace {

// The export "Decompress" of the client library. Its strings are UTF-16: on
// Windows wchar_t, natively (the test stand-in) char16_t.
#ifdef _WIN32
using ClientChar = wchar_t;
#else
using ClientChar = char16_t;
#endif
static_assert(sizeof(ClientChar) == sizeof(char16_t));
using DecompressFunction = int (*)(int, const ClientChar* const*, const ClientChar* const*, int);

const ClientChar* ClientText(const char16_t* s) {
  return reinterpret_cast<const ClientChar*>(s);
}
const ClientChar* ClientText(const std::u16string& s) {
  return ClientText(s.c_str());
}

constexpr std::u16string_view kZpkFolderName = u"ZPK";
constexpr std::u16string_view kZpkTempFolderName = u"temp";

// The packing call proper, steps 3 to 10; the caller cleans up after it.
void PackThroughClient(std::u16string& compressedFilePath, std::u16string& client7zTempPath,
                       std::u16string& sevenZipTempPath,
                       const std::vector<std::u16string>& filesForCompression,
                       const std::u16string& programFolder, std::int32_t count) {
  // Unset or longer than its 1023-character buffer: no archive path at all,
  // rather than a path at the root of the current drive.
  std::optional<std::u16string> temp = os::GetEnv(u"temp");
  std::u16string envTempPath = temp.value_or(u"");
  Write(u"envTempPath:- %s\t", envTempPath);
  if (!temp) {
    Write(u"CompressFiles:- temp is not set or too long; nothing is packed");
    return;
  }
  AppendElementToPath(compressedFilePath, envTempPath, std::u16string(kArchiveName));
  if (CheckIfCompressNameExist(envTempPath)) {
    os::DeleteFileAt(compressedFilePath);
    Write(u"CompressFiles:- compressedFilePath is deleted");
  }
  Create7zipDllsDirectory(client7zTempPath, sevenZipTempPath, envTempPath, programFolder);
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
    return;
  }
  Write(u"CompressFiles:- client7zTempPath: %s", client7zTempPath);
  auto decompress = reinterpret_cast<DecompressFunction>(library->Symbol("Decompress"));
  if (!decompress) {
    Write(u"CompressFiles:- GetProcAddress is NULL");
  } else {
    int getCompressResult = decompress(3, compressInputData, files.data(), count);
    Write(u"CompressFiles:- getCompressResult: %d", getCompressResult);
  }
  library->Free();
}

}  // namespace

void GetDataFilesInfoAfterCompression(std::vector<std::u16string>& resultList,
                                      const std::vector<std::u16string>& dataFiles,
                                      std::vector<std::int32_t>& decompressFlags,
                                      std::int32_t noOfFiles, const std::u16string& programFolder) {
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
                static_cast<std::int32_t>(filesForCompression.size()));
  resultList.push_back(compressedFilePath);
  decompressFlags[k] = 1;
  Write(u"Exited GetDataFilesInfoAfterCompression");
}

void CompressFiles(std::u16string& compressedFilePath,
                   const std::vector<std::u16string>& filesForCompression,
                   const std::u16string& programFolder, std::int32_t count) {
  Write(u"Entered CompressFiles:-");
  std::u16string client7zTempPath;
  std::u16string sevenZipTempPath;
  if (count < 0) count = 0;
  if (static_cast<std::size_t>(count) > filesForCompression.size())
    count = static_cast<std::int32_t>(filesForCompression.size());
  try {
    PackThroughClient(compressedFilePath, client7zTempPath, sevenZipTempPath, filesForCompression,
                      programFolder, count);
  } catch (const std::bad_alloc&) {
    Write(u"Memory Allocation Error:- envTempPath");
    compressedFilePath.clear();
  }
  // The private copies go whatever happened; the folders stay.
  os::DeleteFileAt(client7zTempPath);
  os::DeleteFileAt(sevenZipTempPath);
  Write(u"Exited CompressFiles");
}

void Create7zipDllsDirectory(std::u16string& client7zTempPath, std::u16string& sevenZipTempPath,
                             const std::u16string& envTempPath,
                             const std::u16string& programFolder) {
  Write(u"Entered DlldDirectory:");
  std::u16string zpkPath;
  AppendElementToPath(zpkPath, envTempPath, std::u16string(kZpkFolderName));
  os::CreateFolder(zpkPath);
  Write(u"Create7zipDllsDirectory:- CreateDirectory-zpkPath-%s", zpkPath);
  std::u16string zpkTempPath;
  AppendElementToPath(zpkTempPath, zpkPath, std::u16string(kZpkTempFolderName));
  os::CreateFolder(zpkTempPath);
  Write(u"Create7zipDllsDirectory:- CreateDirectory-zpkTempPath-%s", zpkTempPath);
  std::u16string client7zDll;
  AppendElementToPath(client7zDll, programFolder, std::u16string(kClientLibraryName));
  AppendElementToPath(client7zTempPath, zpkTempPath, std::u16string(kClientLibraryName));
  os::CopyFileOver(client7zDll, client7zTempPath);
  Write(u"Create7zipDllsDirectory:- CopyFile:-File1-client7zDll-%s,File2-client7zTempPath-%s",
        client7zDll, client7zTempPath);
  std::u16string sevenZipDll;
  AppendElementToPath(sevenZipDll, programFolder, std::u16string(kCodecLibraryName));
  AppendElementToPath(sevenZipTempPath, zpkTempPath, std::u16string(kCodecLibraryName));
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
