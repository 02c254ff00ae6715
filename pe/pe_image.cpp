#include "pe/pe_image.h"

#include "pe/byte_io.h"

namespace pf::pe {
namespace {

bool PowerOfTwo(std::uint32_t v) {
  return v != 0 && (v & (v - 1)) == 0;
}

ParsedImage Refuse(std::string why) {
  return {std::nullopt, std::move(why)};
}

}  // namespace

const Section* Image::SectionAt(std::uint32_t rva) const {
  for (const auto& s : sections)
    if (rva >= s.virtualAddress && rva - s.virtualAddress < s.MemorySize()) return &s;
  return nullptr;
}

std::optional<std::uint32_t> Image::FileOffset(std::uint32_t rva, std::uint32_t count) const {
  const Section* s = SectionAt(rva);
  if (!s) return std::nullopt;
  std::uint32_t into = rva - s->virtualAddress;
  if (!Fits(into, count, s->rawSize)) return std::nullopt;
  return s->rawPointer + into;
}

ParsedImage ParseImage(std::span<const std::uint8_t> file) {
  const std::uint64_t size = file.size();
  if (size < 0x40 || file[0] != 'M' || file[1] != 'Z') return Refuse("no MZ header");
  Image im;
  im.peOffset = Get32(file, 0x3C);
  if (!Fits(im.peOffset, 24, size) || Get32(file, im.peOffset) != 0x00004550)
    return Refuse("no PE signature at e_lfanew");
  const std::uint32_t coff = im.peOffset + 4;
  const std::uint16_t sectionCount = Get16(file, coff + 2);
  im.symbolTable = Get32(file, coff + 8);
  im.optionalSize = Get16(file, coff + 16);
  im.optionalOffset = coff + 20;
  if (!Fits(im.optionalOffset, im.optionalSize, size) || im.optionalSize < 2)
    return Refuse("truncated optional header");
  const std::uint16_t magic = Get16(file, im.optionalOffset);
  if (magic != 0x10b && magic != 0x20b) return Refuse("unknown optional header magic");
  im.plus = magic == 0x20b;
  const std::uint32_t countAt = im.optionalOffset + (im.plus ? 108 : 92);
  if (im.optionalSize < countAt + 4 - im.optionalOffset) return Refuse("truncated optional header");
  const std::uint32_t opt = im.optionalOffset;
  im.sectionAlignment = Get32(file, opt + 32);
  im.fileAlignment = Get32(file, opt + 36);
  im.sizeOfHeaders = Get32(file, opt + 60);
  im.checksum = Get32(file, opt + 64);
  if (!PowerOfTwo(im.sectionAlignment) || !PowerOfTwo(im.fileAlignment) ||
      im.fileAlignment > im.sectionAlignment)
    return Refuse("bad section or file alignment");
  const std::uint32_t directoryCount = Get32(file, countAt);
  if (directoryCount > 16 ||
      im.optionalSize < im.DirectoriesOffset() - opt + 8 * std::uint64_t{directoryCount})
    return Refuse("bad data directory count");
  for (std::uint32_t i = 0; i < directoryCount; ++i)
    im.directories.push_back({Get32(file, im.DirectoriesOffset() + 8 * i),
                              Get32(file, im.DirectoriesOffset() + 8 * i + 4)});
  im.sectionTableOffset = opt + im.optionalSize;
  const std::uint64_t tableEnd = im.sectionTableOffset + 40ull * sectionCount;
  if (sectionCount == 0 || tableEnd > size || tableEnd > im.sizeOfHeaders ||
      im.sizeOfHeaders > size)
    return Refuse("section table outside the headers");
  std::uint64_t nextVa = 0;
  for (std::uint16_t i = 0; i < sectionCount; ++i) {
    const std::uint32_t at = im.sectionTableOffset + 40u * i;
    Section s;
    for (int c = 0; c < 8; ++c) s.name[c] = static_cast<char>(file[at + c]);
    s.virtualSize = Get32(file, at + 8);
    s.virtualAddress = Get32(file, at + 12);
    s.rawSize = Get32(file, at + 16);
    s.rawPointer = Get32(file, at + 20);
    s.characteristics = Get32(file, at + 36);
    if (s.rawSize != 0 && !Fits(s.rawPointer, s.rawSize, size))
      return Refuse("section data beyond the end of the file");
    // Data that starts inside the headers would be rewritten over them.
    if (s.rawSize != 0 && s.rawPointer < im.sizeOfHeaders)
      return Refuse("section data inside the headers");
    // The loader maps sections in ascending, non-overlapping order; the
    // writer relies on that when it places a section after the last.
    if (s.virtualAddress < nextVa || s.virtualAddress < im.sizeOfHeaders)
      return Refuse("sections overlap or are out of order");
    nextVa = AlignUp(std::uint64_t{s.virtualAddress} + s.MemorySize(), im.sectionAlignment);
    if (nextVa > 0xFFFFFFFFull) return Refuse("image larger than 4 GiB");
    im.sections.push_back(s);
  }
  return {std::move(im), {}};
}

// The sum of 16-bit words with carries folded back, plus the file length,
// as the loader's image checksum defines it.
std::uint32_t ImageChecksum(std::span<const std::uint8_t> file, std::uint32_t checksumOffset) {
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < file.size(); i += 2) {
    if (i >= checksumOffset && i < checksumOffset + 4) continue;
    std::uint32_t word = file[i] | (i + 1 < file.size() ? file[i + 1] << 8 : 0);
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + file.size());
}

}  // namespace pf::pe
