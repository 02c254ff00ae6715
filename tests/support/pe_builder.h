// Small PE images made in memory for the resource writer's tests: the
// section order, alignment and data directories are the test's to choose.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "pe/resource_tree.h"

namespace pf::test {

struct SectionSpec {
  std::string name;
  std::vector<std::uint8_t> bytes;             // raw data; the virtual size is its length
  std::uint32_t characteristics = 0x40000040;  // readable initialized data
};

struct ImageSpec {
  bool plus = false;
  std::uint32_t checksum = 0;
  std::vector<SectionSpec> sections;
  // Directory index -> (section index, offset into it, size).
  struct Directory {
    std::size_t index, section;
    std::uint32_t offset, size;
  };
  std::vector<Directory> directories;
  std::vector<std::uint8_t> overlay;  // appended after the last section
};

// Section alignment 0x1000, file alignment 0x200, headers 0x400 bytes;
// sections follow each other from 0x1000.
std::vector<std::uint8_t> BuildImage(const ImageSpec& spec);
// The virtual address BuildImage gives section `index`.
std::uint32_t SectionRva(const ImageSpec& spec, std::size_t index);

std::vector<std::uint8_t> Bytes(const std::string& text);

}  // namespace pf::test
