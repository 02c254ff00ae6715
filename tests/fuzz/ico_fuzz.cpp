// Feeds arbitrary bytes to the .ico reader and the group directory built
// from what it accepts. Besides crashes and undefined behaviour it traps
// when an accepted image lies outside the file or the group disagrees with
// the images.
#include <cstddef>
#include <cstdint>
#include <span>

#include "icon/ico_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  pf::IcoFile ico = pf::ReadIcoFile(bytes);
  // The directory alone gives the same answer as the whole file.
  std::size_t head = size < pf::kIcoDirectoryMaxBytes ? size : pf::kIcoDirectoryMaxBytes;
  if (pf::ReadIcoDirectory(bytes.first(head), size).error != ico.error) __builtin_trap();
  if (!ico.ok()) return 0;
  for (const auto& image : ico.images)
    if (image.size == 0 || std::uint64_t{image.offset} + image.size > size) __builtin_trap();
  auto group = pf::MakeGroupIconDirectory(ico, bytes);
  if (group.size() != 6 + 14 * ico.images.size() ||
      pf::GroupIconIds(group).size() != ico.images.size())
    __builtin_trap();
  return 0;
}
