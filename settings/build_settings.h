// What the wizard's pages collect and the build reads. The pages fill it
// through their sheet; the console front end fills it from its arguments.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace pf {

struct BuildSettings {
  std::u16string programFolder;
  // Entries in dataFiles, the two library entries included.
  std::int32_t noOfFiles = 2;
  // 0: "7z.dll", 1: "Client7z.dll", then the user's files in list order.
  std::vector<std::u16string> dataFiles{u"7z.dll", u"Client7z.dll"};
  // Row r of the data-files list: dataFileNames[r] is its bare name.
  std::vector<std::u16string> dataFileNames;
  // One per dataFiles entry: 1 unpack at extraction, 0 keep, -1 pack.
  std::vector<std::int32_t> decompressFlags{1, 1};
  std::u16string outputFilepath;
  std::u16string outputFileName;
  std::u16string iconFilePath;
  std::u16string aboutMessage;
  std::u16string aboutTitle;
  std::int32_t extractFolderOption = 0;
  std::u16string password;  // encoded
  std::u16string driverFilePath;
};

}  // namespace pf
