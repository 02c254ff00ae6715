#include "tests/e2e/stored_zip.h"

#include <array>
#include <cstdint>

namespace pf::test {
namespace {

std::uint32_t Crc32(const std::string& bytes) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void Put16(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// Version 2.0, no flags, stored, 1980-01-01 00:00.
void PutCommon(std::string& out, std::uint32_t crc, std::size_t size, std::size_t nameLength) {
  Put16(out, 20);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, 0x21);
  Put32(out, crc);
  Put32(out, static_cast<std::uint32_t>(size));
  Put32(out, static_cast<std::uint32_t>(size));
  Put16(out, static_cast<std::uint32_t>(nameLength));
  Put16(out, 0);
}

}  // namespace

std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string out, central;
  for (const auto& [name, bytes] : entries) {
    auto offset = static_cast<std::uint32_t>(out.size());
    std::uint32_t crc = Crc32(bytes);
    Put32(out, 0x04034b50);
    PutCommon(out, crc, bytes.size(), name.size());
    out += name;
    out += bytes;

    Put32(central, 0x02014b50);
    Put16(central, 20);  // made by
    PutCommon(central, crc, bytes.size(), name.size());
    Put16(central, 0);  // comment
    Put16(central, 0);  // disk
    Put16(central, 0);  // internal attributes
    Put32(central, 0);  // external attributes
    Put32(central, offset);
    central += name;
  }
  auto centralOffset = static_cast<std::uint32_t>(out.size());
  out += central;
  Put32(out, 0x06054b50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<std::uint32_t>(entries.size()));
  Put16(out, static_cast<std::uint32_t>(entries.size()));
  Put32(out, static_cast<std::uint32_t>(central.size()));
  Put32(out, centralOffset);
  Put16(out, 0);
  return out;
}

}  // namespace pf::test
