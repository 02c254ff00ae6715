#include "engine/header_writer.h"

#include <algorithm>
#include <optional>

#include "engine/build_failure.h"
#include "engine/package_names.h"
#include "engine/path_helpers.h"
#include "platform/engine_message.h"
#include "platform/os.h"
#include "trace/trace_log.h"

namespace pf {
namespace {

// A size or total of 2^32 or more does not fit the 32-bit fields.
constexpr std::uint64_t kFieldLimit = std::uint64_t{1} << 32;

// The three places an entry may be found, in order; the first that opens.
std::optional<os::File> OpenEntry(const std::u16string& entry, const std::u16string& programFolder,
                                  std::u16string& lastCandidate) {
  if (auto f = os::OpenForRead(entry)) return f;
  std::u16string currentDataFilePath;
  AppendElementToPath(currentDataFilePath, programFolder, entry);
  Write(u"AddDataFileInfoInHeader:- currentDataFilePath-%s", currentDataFilePath);
  if (auto f = os::OpenForRead(currentDataFilePath)) return f;
  std::u16string tempcurrentExePath = programFolder;
  AppendElementToPath(tempcurrentExePath, u"", GetDataFileName(entry));
  Write(u"AddDataFileInfoInHeader:- tempcurrentExePath-%s", tempcurrentExePath);
  lastCandidate = tempcurrentExePath;
  return os::OpenForRead(tempcurrentExePath);
}

}  // namespace

void CopyDataBytesToHeaderArray(ByteBuffer& headerArray, const std::uint8_t* bytes,
                                std::size_t length) {
  headerArray.insert(headerArray.end(), bytes, bytes + length);
  headerArray.push_back(0);
  Write(u"Exited CopyDataBytesToHeaderArray");
}

void CopyDataIntToHeaderArray(ByteBuffer& headerArray, std::int32_t value) {
  Write(u"Entered CopyDataIntToHeaderArray");
  auto v = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) headerArray.push_back((v >> shift) & 0xFF);
  headerArray.push_back(0);
  headerArray.push_back(0);
  Write(u"Exited CopyDataIntToHeaderArray");
}

void CopyDataStringsToHeaderArray(ByteBuffer& headerArray, const std::u16string& text) {
  Write(u"Enetered CopyDataStringtoHeaderArray");
  for (char16_t unit : text) {
    headerArray.push_back(unit & 0xFF);
    headerArray.push_back(unit >> 8);
  }
  headerArray.push_back(0);
  headerArray.push_back(0);
  Write(u"Exited CopyDataStringsToHeaderArray");
}

void AddDataFileInfoInHeader(ByteBuffer& headerArray, const std::vector<std::u16string>& resultList,
                             std::int32_t noOfFiles, std::uint32_t& totalDataSize,
                             const std::vector<std::int32_t>& decompressFlags,
                             const std::u16string& programFolder) {
  Write(u"Entered AddDataFileInfoInHeader");
  std::uint64_t total = totalDataSize;
  // Never read past either list, whatever count the caller passed.
  auto count = std::min<std::size_t>({static_cast<std::size_t>(std::max(noOfFiles, 0)),
                                      resultList.size(), decompressFlags.size()});
  for (std::size_t i = 0; i < count; ++i) {
    const std::u16string& currentDataFilePath = resultList[i];
    Write(u"AddDataFileInfoInHeader:- dataFile: %s", currentDataFilePath);
    std::u16string lastCandidate;
    auto file = OpenEntry(currentDataFilePath, programFolder, lastCandidate);
    if (!file) {
      Write(u"File Read Error: Not able to read the File: %s", currentDataFilePath);
      ShowEngineMessage(u"Not able to Read the File" + lastCandidate, u"File open Error");
      throw BuildFailure{};
    }
    // The size fields are 32 bits: refuse what they cannot hold rather
    // than record a wrapped size.
    auto size = file->Size().value_or(file->SizeLow32());
    file->Close();
    if (size >= kFieldLimit) {
      Write(u"File Size Error: the File is 4 GiB or larger: %s", currentDataFilePath);
      ShowEngineMessage(
          u"The file is 4 GiB or larger, which a package cannot hold: " + currentDataFilePath,
          u"File open Error");
      throw BuildFailure{};
    }
    total += size;
    if (total >= kFieldLimit) {
      Write(u"File Size Error: the Files add up to 4 GiB or more at: %s", currentDataFilePath);
      ShowEngineMessage(u"The files add up to 4 GiB or more, which a package cannot hold.",
                        u"File open Error");
      throw BuildFailure{};
    }
    CopyDataIntToHeaderArray(headerArray, decompressFlags[i]);
    CopyDataStringsToHeaderArray(headerArray, GetDataFileName(currentDataFilePath));
    CopyDataIntToHeaderArray(headerArray, static_cast<std::int32_t>(size));
    totalDataSize = static_cast<std::uint32_t>(total);
  }
  Write(u"Exited AddDataFileInfoInHeader");
}

void CreateHeaderArray(const std::vector<std::u16string>& resultList, ByteBuffer& headerArray,
                       const std::u16string& extractorFilePath,
                       const std::u16string& driverFilePath, std::int32_t noOfFiles,
                       std::uint32_t& totalDataSize,
                       const std::vector<std::int32_t>& decompressFlags,
                       const std::u16string& programFolder, const std::u16string& password,
                       const std::u16string& aboutMessage, const std::u16string& aboutTitle,
                       std::int32_t extractFolderOption) {
  Write(u"Entered CreateHeaderArray:- extractorFilePath: %s\t driverFilePath: %s\t noOfFiles: %d\t",
        extractorFilePath, driverFilePath, noOfFiles);
  if (extractorFilePath.empty() || resultList.empty()) {
    Write(u"Input Missing:- CreateHeaderArray:- extractFolderPath ||dataFiles ");
    throw BuildFailure{};
  }
  CopyDataBytesToHeaderArray(headerArray,
                             reinterpret_cast<const std::uint8_t*>(kHeaderSignature.data()),
                             kHeaderSignature.size());
  CopyDataIntToHeaderArray(headerArray, noOfFiles);
  CopyDataStringsToHeaderArray(headerArray, driverFilePath);
  CopyDataIntToHeaderArray(headerArray, 1);
  CopyDataStringsToHeaderArray(headerArray, password);
  CopyDataStringsToHeaderArray(headerArray, aboutMessage);
  CopyDataStringsToHeaderArray(headerArray, aboutTitle);
  CopyDataIntToHeaderArray(headerArray, extractFolderOption);
  AddDataFileInfoInHeader(headerArray, resultList, noOfFiles, totalDataSize, decompressFlags,
                          programFolder);
  Write(u"Exited CreateHeaderArray");
}

}  // namespace pf
