// Builds the header that sits between the agent and the payload.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace pf {

using ByteBuffer = std::vector<std::uint8_t>;

// Appends `length` bytes and one zero byte.
void CopyDataBytesToHeaderArray(ByteBuffer& headerArray, const std::uint8_t* bytes,
                                std::size_t length);
// Appends a 32-bit value, least significant byte first, then two zero bytes.
void CopyDataIntToHeaderArray(ByteBuffer& headerArray, std::int32_t value);
// Appends the UTF-16 code units (little-endian) and one zero code unit.
void CopyDataStringsToHeaderArray(ByteBuffer& headerArray, const std::u16string& text);

// Appends one record per entry (flag, bare name, size) and adds the sizes to
// `totalDataSize`. Each entry is looked for as given, then as
// programFolder + "\" + entry, then as programFolder + "\" + bare name.
void AddDataFileInfoInHeader(ByteBuffer& headerArray, const std::vector<std::u16string>& resultList,
                             std::int32_t noOfFiles, std::uint32_t& totalDataSize,
                             const std::vector<std::int32_t>& decompressFlags,
                             const std::u16string& programFolder);

void CreateHeaderArray(const std::vector<std::u16string>& resultList, ByteBuffer& headerArray,
                       const std::u16string& extractorFilePath,
                       const std::u16string& driverFilePath, std::int32_t noOfFiles,
                       std::uint32_t& totalDataSize,
                       const std::vector<std::int32_t>& decompressFlags,
                       const std::u16string& programFolder, const std::u16string& password,
                       const std::u16string& aboutMessage, const std::u16string& aboutTitle,
                       std::int32_t extractFolderOption);

}  // namespace pf
