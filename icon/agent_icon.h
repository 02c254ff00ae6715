// Gives the package the chosen icon, or the default one. The icon is stamped
// into a private copy of the agent, never into the shipped agent itself, so
// a read-only program folder still gets the icon and an interrupted update
// cannot damage the agent every later build copies.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "icon/ico_file.h"

namespace pf {

// The agent a build appends: a stamped private copy (deleted with this
// object) or, when no copy could be made, the located agent as it is.
class StampedAgent {
 public:
  StampedAgent() = default;
  StampedAgent(std::u16string path, bool owned) : path_(std::move(path)), owned_(owned) {}
  StampedAgent(StampedAgent&& other) noexcept;
  StampedAgent& operator=(StampedAgent&&) = delete;
  StampedAgent(const StampedAgent&) = delete;
  StampedAgent& operator=(const StampedAgent&) = delete;
  ~StampedAgent();

  const std::u16string& path() const { return path_; }
  // True when path() is a private copy rather than the shipped agent.
  bool isCopy() const { return owned_; }

 private:
  std::u16string path_;
  bool owned_ = false;
};

// Fails the build only when no icon was chosen and the default icon is
// found nowhere; a failed icon change is traced and skipped.
// The copy is made in `privateFolder` (the build's work folder, which a
// Cancel removes), or in %temp% when that is empty.
StampedAgent SetIconForSelfExtractorAgent(const std::u16string& iconFilePath,
                                          const std::u16string& LiveExtractorFilePath,
                                          const std::u16string& programFolder,
                                          const std::u16string& privateFolder = {});

// Replaces the icon of `targetFile` with the one in `iconFile`; raises the
// build failure after its trace line.
void ChangeIconInPE(const std::u16string& iconFile, const std::u16string& targetFile);

// One icon change: the whole .ico file, read as the format defines it, and
// the group directory written as "MAINICON" over its images.
class IconImplementer {
 public:
  explicit IconImplementer(std::u16string iconFile);
  ~IconImplementer();
  IconImplementer(const IconImplementer&) = delete;
  IconImplementer& operator=(const IconImplementer&) = delete;

  void SetIconProperties();
  void UpdateIcon(const std::u16string& targetFile);

  const std::vector<std::uint8_t>& groupIconDir() const { return groupIconDir_; }

 private:
  void IconFileInitialize();
  void CreateFileBuffer();
  std::int32_t GetFileLength();
  void ReadFileIntoBuffer();

  std::u16string iconFile_;
  std::vector<std::uint8_t> lpBuffer_;
  std::int32_t fileLen_ = 0;
  IcoFile ico_;
  std::vector<std::uint8_t> groupIconDir_;
};

}  // namespace pf
