#include "compress/compression_step.h"

#include "trace/trace_log.h"

namespace pf {

// Until packing arrives, the entry list passes through unchanged.
void GetDataFilesInfoAfterCompression(std::vector<std::u16string>& resultList,
                                      const std::vector<std::u16string>& dataFiles,
                                      std::vector<std::int32_t>& decompressFlags,
                                      std::int32_t noOfFiles, const std::u16string&) {
  Write(u"Entered GetDataFilesInfoAfterCompression:-");
  resultList.assign(dataFiles.begin(), dataFiles.begin() + noOfFiles);
  decompressFlags.resize(dataFiles.size() + 1);
  Write(u"Exited GetDataFilesInfoAfterCompression");
}

}  // namespace pf
