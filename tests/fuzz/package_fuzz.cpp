// Feeds arbitrary files to everything the agent decides before it writes:
// the PE arithmetic, the header reader and the entry-name check. Crashes,
// leaks and undefined behaviour are what it looks for.
#include <cstddef>
#include <cstdint>
#include <span>

#include "agent/entry_names.h"
#include "agent/package_layout.h"
#include "engine/header_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  pf::ReadPackageHeader(bytes);
  pf::ReadPackageHeader(bytes, size);
  pf::agent::SpanSource file(bytes);
  auto located = pf::agent::LocatePackage(file);
  if (located.layout) {
    const auto& l = *located.layout;
    // What the agent then relies on: the entries fit the file.
    if (l.payloadOffset > l.payloadEnd || l.payloadEnd > size ||
        l.payloadEnd - l.payloadOffset != l.header.payloadSize)
      __builtin_trap();
    pf::agent::CheckPackageEntries(l.header);
  }
  return 0;
}
