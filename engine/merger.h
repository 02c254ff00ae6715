// The build engine's entry point: one set of settings in, one package out.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/header_writer.h"

namespace pf {

// Builds outputFilepath\outputFileName.exe. Takes over the two lists.
// Returns true when the package was written.
bool Merger(std::u16string programFolder, std::int32_t noOfFiles,
            std::vector<std::u16string> dataFiles, std::u16string driverFilePath,
            std::u16string outputFilepath, std::u16string outputFileName,
            std::vector<std::int32_t> decompressFlags, std::u16string iconFilePath,
            std::u16string aboutMessage, std::u16string aboutTitle,
            std::int32_t extractFolderOption, std::u16string password);

class OutputSink;

void MergeIntoSingleFile(const ByteBuffer& headerArray, const std::u16string& outputFilepath,
                         const std::u16string& outputFileName,
                         const std::u16string& LiveExtractorFilePath,
                         const std::u16string& programFolder,
                         const std::vector<std::u16string>& resultList, std::int32_t count,
                         std::uint32_t totalDataSize);

// Streams each entry into `output`, exactly the size its header record
// holds; `outputFileLen` is read and advanced.
void AppendDataFiles(OutputSink& output, std::uint64_t& outputFileLen,
                     const std::vector<std::u16string>& resultList, std::int32_t count,
                     const std::u16string& programFolder,
                     const std::vector<std::uint32_t>& recordedSizes);

// Completes the output: the temporary file replaces outputFilepath + "\" +
// outputFileName + ".exe".
void CreateOutputFile(const std::u16string& outputFilepath, const std::u16string& outputFileName,
                      OutputSink& output, std::uint64_t outputFileLength);

// outputFilepath + "\" + outputFileName + ".exe", whatever they end with.
std::u16string OutputPathOf(const std::u16string& outputFilepath,
                            const std::u16string& outputFileName);

}  // namespace pf
