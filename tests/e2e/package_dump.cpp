// package_dump PACKAGE OUTDIR: finds the header behind the agent's PE image,
// reads it with the engine's header reader, prints one line per entry
// ("<flag>\t<name>\t<size>") and writes each payload block to
// OUTDIR\<index>.block. Exit 0 only when the header and blocks exactly fill
// the file.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "engine/header_reader.h"
#include "platform/text.h"

namespace {

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t Le16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// The end of the PE image: past the last section's raw data and past a COFF
// symbol table (with its string table) where the linker left one.
std::optional<std::size_t> ImageEnd(const std::vector<std::uint8_t>& b) {
  if (b.size() < 64 || b[0] != 'M' || b[1] != 'Z') return std::nullopt;
  std::size_t pe = Le32(b, 0x3C);
  if (pe + 24 > b.size() || std::memcmp(&b[pe], "PE\0\0", 4) != 0) return std::nullopt;
  std::size_t sections = Le16(b, pe + 6);
  std::size_t optionalSize = Le16(b, pe + 20);
  std::size_t symbols = Le32(b, pe + 12), symbolCount = Le32(b, pe + 16);
  std::size_t table = pe + 24 + optionalSize;
  if (table + sections * 40 > b.size()) return std::nullopt;
  std::size_t end = table + sections * 40;
  for (std::size_t i = 0; i < sections; ++i) {
    std::size_t s = table + i * 40;
    std::size_t rawSize = Le32(b, s + 16), rawAt = Le32(b, s + 20);
    if (rawSize && rawAt + rawSize > end) end = rawAt + rawSize;
  }
  if (symbols) {
    std::size_t strings = symbols + symbolCount * 18;
    if (strings + 4 > b.size()) return std::nullopt;
    std::size_t stringsEnd = strings + Le32(b, strings);
    if (stringsEnd > end) end = stringsEnd;
  }
  return end <= b.size() ? std::optional<std::size_t>(end) : std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: package_dump PACKAGE OUTDIR\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  auto start = ImageEnd(bytes);
  if (!start) {
    std::cerr << "package_dump: not a PE file\n";
    return 1;
  }
  std::span<const std::uint8_t> rest(bytes.data() + *start, bytes.size() - *start);
  auto read = pf::ReadPackageHeader(rest, rest.size());
  if (!read.header) {
    std::cerr << "package_dump: " << read.error << "\n";
    return 1;
  }
  std::size_t at = *start + read.header->headerLength;
  int index = 0;
  for (const auto& e : read.header->entries) {
    std::cout << e.flag << "\t" << pf::ToUtf8(e.name) << "\t" << e.size << "\n";
    std::ofstream out(std::string(argv[2]) + "\\" + std::to_string(index++) + ".block",
                      std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data() + at), e.size);
    if (!out) return 1;
    at += e.size;
  }
  return at == bytes.size() ? 0 : 1;
}
