#include "engine/merger.h"

#include <algorithm>
#include <new>

#include "compress/compression_step.h"
#include "compress/work_folder.h"
#include "engine/build_failure.h"
#include "engine/header_reader.h"
#include "engine/locate_file.h"
#include "engine/output_sink.h"
#include "engine/package_names.h"
#include "icon/agent_icon.h"
#include "platform/engine_message.h"
#include "platform/os.h"
#include "platform/text.h"
#include "trace/trace_log.h"

namespace pf {
namespace {

constexpr std::uint64_t kOutputLimit = std::uint64_t{1} << 32;

std::u16string Describe(const ByteBuffer& buffer) {
  return FromUtf8("<" + std::to_string(buffer.size()) + " bytes>");
}

std::u16string Describe(const OutputSink& sink) {
  return u"<streamed to " + sink.temporaryPath() + u">";
}

[[noreturn]] void FailToWrite(const std::u16string& outputPath) {
  // A Cancel is ending the process: no message for a write it stopped.
  if (OutputsCancelled()) throw BuildFailure{};
  Write(u"CreateOutputFile:- Not able to write the file  %s", outputPath);
  ShowEngineMessage(u"Not able to Write", u"File open Error");
  throw BuildFailure{};
}

}  // namespace

std::u16string OutputPathOf(const std::u16string& outputFilepath,
                            const std::u16string& outputFileName) {
  return outputFilepath + u"\\" + outputFileName + u".exe";
}

bool Merger(std::u16string programFolder, std::int32_t noOfFiles,
            std::vector<std::u16string> dataFiles, std::u16string driverFilePath,
            std::u16string outputFilepath, std::u16string outputFileName,
            std::vector<std::int32_t> decompressFlags, std::u16string iconFilePath,
            std::u16string aboutMessage, std::u16string aboutTitle,
            std::int32_t extractFolderOption, std::u16string password) {
  bool result = true;
  try {
    InitTraceLog();
    Write(
        u"Entered Merger:-  driverFilePath: %s\t outputFilepath: %s\t outputFileName: %s\t "
        u"noOfFiles: %d\t",
        driverFilePath, outputFilepath, outputFileName, noOfFiles);
    // The lists may be shorter than the count says; never read past them.
    noOfFiles = std::clamp<std::int32_t>(noOfFiles, 0, static_cast<std::int32_t>(dataFiles.size()));
    if (decompressFlags.size() < static_cast<std::size_t>(noOfFiles) + 1)
      decompressFlags.resize(static_cast<std::size_t>(noOfFiles) + 1, 0);
    std::vector<std::u16string> resultList;
    // Holds this build's archive until the package is written; removed when
    // the build ends, however it ends.
    WorkFolder workFolder;
    GetDataFilesInfoAfterCompression(resultList, dataFiles, decompressFlags, noOfFiles,
                                     programFolder, workFolder);
    auto n = static_cast<std::int32_t>(resultList.size());
    std::u16string LiveExtractorFilePath =
        LocateFile(programFolder, std::u16string(kAgentFileName));
    // The icon goes into a private copy; that copy is what the package carries.
    StampedAgent agent = SetIconForSelfExtractorAgent(iconFilePath, LiveExtractorFilePath,
                                                      programFolder, workFolder.path());
    ByteBuffer headerArray;
    std::uint32_t totalDataSize = 0;
    CreateHeaderArray(resultList, headerArray, std::u16string(kAgentFileName), driverFilePath, n,
                      totalDataSize, decompressFlags, programFolder, password, aboutMessage,
                      aboutTitle, extractFolderOption);
    MergeIntoSingleFile(headerArray, outputFilepath, outputFileName, agent.path(), programFolder,
                        resultList, n, totalDataSize);
  } catch (const BuildFailure&) {
    result = false;
  } catch (const std::bad_alloc&) {
    Write(u"Memory Allocation Error:- Merger");
    result = false;
  }
  dataFiles.clear();
  decompressFlags.clear();
  if (result) {
    Write(u"Exited Merger");
    Write(std::u16string(108, u'*') + u"\n\n");
  }
  return result;
}

void MergeIntoSingleFile(const ByteBuffer& headerArray, const std::u16string& outputFilepath,
                         const std::u16string& outputFileName,
                         const std::u16string& LiveExtractorFilePath,
                         const std::u16string& programFolder,
                         const std::vector<std::u16string>& resultList, std::int32_t count,
                         std::uint32_t totalDataSize) {
  auto headerArrayLen = static_cast<std::int32_t>(headerArray.size());
  Write(u"Entered MergeIntoSingleFile:- headerArray: %s\t headerArrayLen: %d\t",
        Describe(headerArray), headerArrayLen);
  auto agent = os::OpenForRead(LiveExtractorFilePath);
  if (!agent) {
    Write(u"MergeIntoSingleFile:- Not able to read the exe file LiveExtractorFilePath:- %s",
          LiveExtractorFilePath);
    throw BuildFailure{};
  }
  std::uint64_t agentLength = agent->Size().value_or(agent->SizeLow32());
  if (agentLength + headerArray.size() + totalDataSize >= kOutputLimit) {
    Write(u"MergeIntoSingleFile:- Output would be 4 GiB or larger");
    ShowEngineMessage(
        u"The package would be 4 GiB or larger, which the package format cannot hold.",
        u"File open Error");
    throw BuildFailure{};
  }
  // The header is authoritative: each block is exactly as long as its record.
  auto parsed = ReadPackageHeader(headerArray);
  if (!parsed.header || parsed.header->entries.size() != static_cast<std::size_t>(count)) {
    Write(u"MergeIntoSingleFile:- headerArray is not a valid header");
    throw BuildFailure{};
  }
  std::vector<std::uint32_t> recordedSizes;
  for (const auto& e : parsed.header->entries) recordedSizes.push_back(e.size);

  std::u16string outputPath = OutputPathOf(outputFilepath, outputFileName);
  auto output = OutputSink::Create(outputPath);
  if (!output) FailToWrite(outputPath);
  output->ExpectSize(agentLength + headerArray.size() + totalDataSize);
  switch (output->CopyFrom(*agent, agentLength)) {
    case OutputSink::Copy::kDone:
      break;
    case OutputSink::Copy::kWriteFailed:
      FailToWrite(outputPath);
    case OutputSink::Copy::kReadFailed:
      Write(u"MergeIntoSingleFile:- Not able to read the exe file LiveExtractorFilePath:- %s",
            LiveExtractorFilePath);
      throw BuildFailure{};
  }
  agent->Close();
  if (!output->Write(headerArray.data(), headerArray.size())) FailToWrite(outputPath);
  std::uint64_t outputFileLen = output->written();
  AppendDataFiles(*output, outputFileLen, resultList, count, programFolder, recordedSizes);
  CreateOutputFile(outputFilepath, outputFileName, *output, outputFileLen);
  Write(u"Exited Merger into a single file");
}

void AppendDataFiles(OutputSink& output, std::uint64_t& outputFileLen,
                     const std::vector<std::u16string>& resultList, std::int32_t count,
                     const std::u16string& programFolder,
                     const std::vector<std::uint32_t>& recordedSizes) {
  Write(u"Entered AppendDataFiles:-  noOfFiles: %d\t outputInBytes: %s\t outputFileLen: %d", count,
        Describe(output), outputFileLen);
  for (std::int32_t i = 0; i < count; ++i) {
    Write(u"AppendDataFiles:- dataFiles: %s", resultList[i]);
    std::u16string liveDataFilePath = LocateFile(programFolder, resultList[i]);
    Write(u"AppendDataFiles:- liveDataFilePath-%s", liveDataFilePath);
    auto file = os::OpenForRead(liveDataFilePath);
    if (!file) {
      Write(u"AppendDataFiles:- DataFile Open Error");
      throw BuildFailure{};
    }
    std::uint64_t length = file->Size().value_or(file->SizeLow32());
    if (length != recordedSizes[i]) {
      Write(u"AppendDataFiles:- DataFile Size Changed Error: %s", liveDataFilePath);
      throw BuildFailure{};
    }
    switch (output.CopyFrom(*file, length)) {
      case OutputSink::Copy::kDone:
        break;
      case OutputSink::Copy::kWriteFailed:
        FailToWrite(output.finalPath());
      case OutputSink::Copy::kReadFailed:
        // The file shrank while it was being copied.
        Write(u"AppendDataFiles:- DataFile Size Changed Error: %s", liveDataFilePath);
        throw BuildFailure{};
    }
    outputFileLen += length;
  }
  Write(u"Exited AppendDataFiles");
}

void CreateOutputFile(const std::u16string& outputFilepath, const std::u16string& outputFileName,
                      OutputSink& output, std::uint64_t outputFileLength) {
  Write(u"Entered CreateOutputFile:- outputInBytes: %s\t outputFileLength: %d", Describe(output),
        outputFileLength);
  std::u16string outputPath = OutputPathOf(outputFilepath, outputFileName);
  if (output.written() != outputFileLength || !output.Commit()) FailToWrite(outputPath);
  Write(u"Exited CreateOutputFile");
}

}  // namespace pf
