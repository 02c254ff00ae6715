// Packs the ordinary data files into one archive and rewrites the entry list.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace pf {

// Fills `resultList` with the entries of `dataFiles` not marked -1, in
// order, then the archive path; rewrites `decompressFlags` to match.
void GetDataFilesInfoAfterCompression(std::vector<std::u16string>& resultList,
                                      const std::vector<std::u16string>& dataFiles,
                                      std::vector<std::int32_t>& decompressFlags,
                                      std::int32_t noOfFiles, const std::u16string& programFolder);

}  // namespace pf
