// Packs the ordinary data files into one archive through the compression
// client library and rewrites the entry list.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace pf {

class WorkFolder;

// Fills `resultList` with the entries of `dataFiles` not marked -1, in
// order, then the archive path; rewrites `decompressFlags` to match (room
// for noOfFiles + 1 values). The packing runs in every build; the archive
// lies in `workFolder`, which the caller keeps until the package is written.
void GetDataFilesInfoAfterCompression(std::vector<std::u16string>& resultList,
                                      const std::vector<std::u16string>& dataFiles,
                                      std::vector<std::int32_t>& decompressFlags,
                                      std::int32_t noOfFiles, const std::u16string& programFolder,
                                      WorkFolder& workFolder);

// Makes `workFolder` under %temp%\ZPK and packs `count` paths into
// ZpkCompressedFiles.7z there through a private copy of Client7z.dll;
// `compressedFilePath` receives the archive path (empty when "temp" cannot
// be used). A non-zero result of the client fails the build with a message
// that names the cause.
void CompressFiles(std::u16string& compressedFilePath,
                   const std::vector<std::u16string>& filesForCompression,
                   const std::u16string& programFolder, std::int32_t count, WorkFolder& workFolder);

// Makes zpkPath and zpkTempPath (the build's work folder) and copies the two
// libraries into the latter.
void Create7zipDllsDirectory(std::u16string& client7zTempPath, std::u16string& sevenZipTempPath,
                             const std::u16string& zpkPath, const std::u16string& zpkTempPath,
                             const std::u16string& programFolder);

// True when `folder` holds a file named exactly "ZpkCompressedFiles.7z"
// (letter case included).
bool CheckIfCompressNameExist(const std::u16string& folder);

}  // namespace pf
