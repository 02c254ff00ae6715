#include "agent/package_layout.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace pf::agent {
namespace {

std::uint32_t Le(const std::uint8_t* p, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= std::uint32_t{p[i]} << (8 * i);
  return v;
}

// Reads `n` little-endian bytes at `offset`.
bool ReadLe(ByteSource& file, std::uint64_t offset, int n, std::uint32_t& out) {
  std::array<std::uint8_t, 4> b{};
  if (!file.ReadAt(offset, std::span(b.data(), static_cast<std::size_t>(n)))) return false;
  out = Le(b.data(), n);
  return true;
}

PeLayoutResult Fail(const char* why) {
  return {std::nullopt, why};
}

constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint64_t kSymbolSize = 18;
constexpr std::uint32_t kMaxSections = 96;  // the loader's own limit
constexpr std::uint32_t kSecurityDirectory = 4;

}  // namespace

bool SpanSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (offset > bytes_.size() || out.size() > bytes_.size() - offset) return false;
  if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
  return true;
}

PeLayoutResult ReadPeLayout(ByteSource& file) {
  const std::uint64_t length = file.Length();
  std::array<std::uint8_t, 2> mz{};
  if (!file.ReadAt(0, mz) || mz[0] != 'M' || mz[1] != 'Z') return Fail("not an executable");
  std::uint32_t peOffset = 0, peSig = 0;
  if (!ReadLe(file, 0x3C, 4, peOffset) || !ReadLe(file, peOffset, 4, peSig) || peSig != 0x00004550)
    return Fail("no PE signature");
  const std::uint64_t coff = std::uint64_t{peOffset} + 4;
  std::uint32_t sections = 0, symbolTable = 0, symbols = 0, optionalSize = 0, magic = 0;
  if (!ReadLe(file, coff + 2, 2, sections) || !ReadLe(file, coff + 8, 4, symbolTable) ||
      !ReadLe(file, coff + 12, 4, symbols) || !ReadLe(file, coff + 16, 2, optionalSize))
    return Fail("truncated PE header");
  if (sections == 0 || sections > kMaxSections) return Fail("bad section count");
  const std::uint64_t optional = coff + 20;
  if (!ReadLe(file, optional, 2, magic)) return Fail("truncated optional header");
  std::uint64_t directoryCountAt = 0;
  if (magic == 0x10b)
    directoryCountAt = 92;
  else if (magic == 0x20b)
    directoryCountAt = 108;
  else
    return Fail("unknown optional header");
  std::uint32_t sizeOfHeaders = 0, directories = 0;
  if (optionalSize < directoryCountAt + 4 || !ReadLe(file, optional + 60, 4, sizeOfHeaders) ||
      !ReadLe(file, optional + directoryCountAt, 4, directories))
    return Fail("truncated optional header");

  PeLayout layout;
  layout.imageEnd = sizeOfHeaders;
  const std::uint64_t table = optional + optionalSize;
  for (std::uint32_t i = 0; i < sections; ++i) {
    std::uint32_t rawSize = 0, rawPointer = 0;
    if (!ReadLe(file, table + i * kSectionHeaderSize + 16, 4, rawSize) ||
        !ReadLe(file, table + i * kSectionHeaderSize + 20, 4, rawPointer))
      return Fail("truncated section table");
    if (rawSize != 0)
      layout.imageEnd = std::max(layout.imageEnd, std::uint64_t{rawPointer} + rawSize);
  }
  // A linker that was not told to strip leaves the COFF symbols and their
  // string table (which starts with its own length) after the sections.
  if (symbolTable != 0) {
    std::uint64_t stringTable = std::uint64_t{symbolTable} + std::uint64_t{symbols} * kSymbolSize;
    std::uint32_t stringsSize = 0;
    if (!ReadLe(file, stringTable, 4, stringsSize) || stringsSize < 4)
      return Fail("bad symbol table");
    layout.imageEnd = std::max(layout.imageEnd, stringTable + stringsSize);
  }
  if (layout.imageEnd > length) return Fail("image larger than the file");

  std::uint32_t certOffset = 0, certSize = 0;
  const std::uint64_t security = optional + directoryCountAt + 4 + kSecurityDirectory * 8;
  if (directories > kSecurityDirectory && optionalSize >= security + 8 - optional) {
    if (!ReadLe(file, security, 4, certOffset) || !ReadLe(file, security + 4, 4, certSize))
      return Fail("truncated data directories");
  }
  if (certOffset != 0 || certSize != 0) {
    // The signing tool appends the table last, aligned to 8, past the image.
    if (certOffset < layout.imageEnd || certOffset % 8 != 0 ||
        std::uint64_t{certOffset} + certSize != length)
      return Fail("certificate table out of place");
    layout.certificateOffset = certOffset;
  }
  return {layout, {}};
}

std::optional<std::uint64_t> CertificatePadding(std::uint64_t payloadEnd,
                                                std::uint64_t certificateOffset) {
  if (payloadEnd > certificateOffset || certificateOffset - payloadEnd > 7) return std::nullopt;
  std::uint64_t aligned = (payloadEnd + 7) / 8 * 8;
  if (aligned != certificateOffset) return std::nullopt;
  return certificateOffset - payloadEnd;
}

PackageLayoutResult LocatePackage(ByteSource& file) {
  auto pe = ReadPeLayout(file);
  if (!pe.layout) return {std::nullopt, pe.error};
  const std::uint64_t start = pe.layout->imageEnd;
  const std::uint64_t limit = pe.layout->certificateOffset.value_or(file.Length());
  if (start >= limit) return {std::nullopt, "no package data past the program"};
  std::vector<std::uint8_t> prefix(
      static_cast<std::size_t>(std::min<std::uint64_t>(limit - start, kMaxHeaderBytes)));
  if (!file.ReadAt(start, prefix)) return {std::nullopt, "cannot read the header"};

  std::uint64_t padding = 0;
  if (pe.layout->certificateOffset) {
    // Signed: the sizes say where the payload ends; only zero alignment
    // bytes may lie between it and the certificate table.
    auto loose = ReadPackageHeader(prefix);
    if (!loose.header) return {std::nullopt, loose.error};
    std::uint64_t end = start + loose.header->headerLength + loose.header->payloadSize;
    auto pad = CertificatePadding(end, limit);
    if (!pad) return {std::nullopt, "entry sizes do not reach the certificate table"};
    std::array<std::uint8_t, 7> zeros{}, gap{};
    if (!file.ReadAt(end, std::span(gap.data(), static_cast<std::size_t>(*pad))) ||
        std::memcmp(gap.data(), zeros.data(), static_cast<std::size_t>(*pad)) != 0)
      return {std::nullopt, "bytes before the certificate table"};
    padding = *pad;
  }
  auto parsed = ReadPackageHeader(prefix, limit - padding - start);
  if (!parsed.header) return {std::nullopt, parsed.error};
  PackageLayout layout;
  layout.headerOffset = start;
  layout.payloadOffset = start + parsed.header->headerLength;
  layout.payloadEnd = limit - padding;
  layout.header = std::move(*parsed.header);
  return {std::move(layout), {}};
}

}  // namespace pf::agent
