// The headers of a PE image (PE32 or PE32+) as a model: what the resource
// writer needs to lay the file out afresh. Parsing checks every offset and
// count against the file before following it.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pf::pe {

struct Section {
  std::array<char, 8> name{};
  std::uint32_t virtualSize = 0, virtualAddress = 0;
  std::uint32_t rawSize = 0, rawPointer = 0;
  std::uint32_t characteristics = 0;
  // The span the section takes in memory (the virtual size, or the raw
  // size where a linker left the virtual size 0).
  std::uint32_t MemorySize() const { return virtualSize ? virtualSize : rawSize; }
};

struct DataDirectory {
  std::uint32_t rva = 0, size = 0;
};

enum DirectoryIndex : std::size_t {
  kResourceDirectory = 2,
  kSecurityDirectory = 4,
  kBaseRelocationDirectory = 5,
  kDebugDirectory = 6,
};

constexpr std::uint32_t kInitializedData = 0x40;

struct Image {
  bool plus = false;  // PE32+
  std::uint32_t peOffset = 0;
  std::uint32_t optionalOffset = 0, optionalSize = 0;
  std::uint32_t sectionTableOffset = 0;
  std::uint32_t sectionAlignment = 0, fileAlignment = 0;
  std::uint32_t sizeOfHeaders = 0, checksum = 0;
  std::uint32_t symbolTable = 0;
  std::vector<DataDirectory> directories;
  std::vector<Section> sections;

  std::uint32_t DirectoriesOffset() const { return optionalOffset + (plus ? 112 : 96); }
  // The section holding `rva`, or nothing.
  const Section* SectionAt(std::uint32_t rva) const;
  // The file offset of `count` bytes at `rva`, when they lie in one
  // section's raw data.
  std::optional<std::uint32_t> FileOffset(std::uint32_t rva, std::uint32_t count) const;
};

struct ParsedImage {
  std::optional<Image> image;
  std::string error;  // why the file was refused, when it was
};
ParsedImage ParseImage(std::span<const std::uint8_t> file);

// The PE checksum of `file` (its own checksum field counted as zero).
std::uint32_t ImageChecksum(std::span<const std::uint8_t> file, std::uint32_t checksumOffset);

}  // namespace pf::pe
