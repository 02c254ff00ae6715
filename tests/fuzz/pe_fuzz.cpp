// Feeds arbitrary files to the PE resource writer: the header parser, the
// resource tree reader, and the rewrite with an icon added. Besides crashes
// and undefined behaviour it traps when a rewrite it accepted does not read
// back as a valid image holding exactly the resources it was given.
#include <cstddef>
#include <cstdint>
#include <span>

#include "pe/pe_image.h"
#include "pe/resource_tree.h"
#include "pe/resource_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  auto parsed = pf::pe::ParseImage(bytes);
  if (!parsed.image) return 0;
  auto existing = pf::pe::ReadResources(bytes, *parsed.image);
  if (!existing.resources) return 0;
  auto wanted = *existing.resources;
  wanted.push_back({std::uint16_t{3}, std::uint16_t{1}, 0, 0, {1, 2, 3, 4, 5}});
  wanted.push_back({std::uint16_t{14}, std::u16string(u"MAINICON"), 1033, 0, {6, 7}});
  auto rewritten = pf::pe::ReplaceResources(bytes, wanted);
  if (!rewritten.file) return 0;
  auto again = pf::pe::ParseImage(*rewritten.file);
  if (!again.image) __builtin_trap();
  auto read = pf::pe::ReadResources(*rewritten.file, *again.image);
  pf::pe::SortResources(wanted);
  if (!read.resources || read.resources->size() != wanted.size()) __builtin_trap();
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    const auto& a = (*read.resources)[i];
    const auto& b = wanted[i];
    if (a.type != b.type || a.name != b.name || a.language != b.language || a.data != b.data)
      __builtin_trap();
  }
  return 0;
}
