// Reads the header the writer writes, trusting nothing: every field is
// checked against what is left before it is read.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pf {

struct HeaderEntry {
  std::int32_t flag = 0;  // 1: unpack at extraction, 0: write as it is
  std::u16string name;
  std::uint32_t size = 0;
};

struct PackageHeader {
  std::u16string driverFilePath;
  std::u16string password;  // encoded, as stored
  std::u16string aboutMessage;
  std::u16string aboutTitle;
  std::int32_t extractFolderOption = 0;
  std::vector<HeaderEntry> entries;
  std::size_t headerLength = 0;   // bytes from the signature to the first block
  std::uint64_t payloadSize = 0;  // sum of the entry sizes
};

struct HeaderReadResult {
  std::optional<PackageHeader> header;
  std::string error;  // why it was refused, when it was
};

// Parses a header at the start of `bytes`. When `regionLength` is given (the
// bytes from the header's start to the end of the payload), the entry sizes
// must fit in it exactly as recorded: header + sizes == regionLength.
HeaderReadResult ReadPackageHeader(std::span<const std::uint8_t> bytes,
                                   std::optional<std::uint64_t> regionLength = std::nullopt);

}  // namespace pf
