#include "pe/resource_writer.h"

#include <algorithm>
#include <numeric>

#include "pe/byte_io.h"

namespace pf::pe {
namespace {

RewrittenImage Refuse(std::string why) {
  return {std::nullopt, std::move(why)};
}

// A section nothing but the loader reads, through one data directory: the
// base relocations. Its address may change; any other section's may not,
// since code refers to it by address.
bool MovableSection(const Image& im, const Section& s) {
  if (im.directories.size() <= kBaseRelocationDirectory) return false;
  const auto& reloc = im.directories[kBaseRelocationDirectory];
  if (reloc.rva != s.virtualAddress) return false;
  for (std::size_t i = 0; i < im.directories.size(); ++i) {
    if (i == kBaseRelocationDirectory || i == kSecurityDirectory || i == kResourceDirectory)
      continue;
    const auto& d = im.directories[i];
    if (d.rva && im.SectionAt(d.rva) == &s) return false;
  }
  return true;
}

struct Moved {
  std::uint32_t oldStart, size, newStart;
};

// Where an old file offset lands in the new file, or nothing.
std::optional<std::uint32_t> MapOffset(const std::vector<Moved>& moved, std::uint32_t offset) {
  for (const auto& m : moved)
    if (offset >= m.oldStart && offset - m.oldStart < m.size)
      return m.newStart + (offset - m.oldStart);
  return std::nullopt;
}

}  // namespace

// Lays the file out afresh (after LLVM objcopy's COFF writer): headers, then
// each section's raw data in the old file order at FileAlignment, then what
// followed the sections (a symbol table, appended data). The resource
// section takes the new tree where it is when the tree fits before the next
// section or only relocations follow it (those are moved up); otherwise a
// new resource section is added after the last one and the old one is left
// unused in place.
RewrittenImage ReplaceResources(std::span<const std::uint8_t> file,
                                std::vector<Resource> resources) {
  auto parsed = ParseImage(file);
  if (!parsed.image) return Refuse(parsed.error);
  const Image& im = *parsed.image;
  // A damaged tree is a damaged file, even though it is being replaced.
  if (auto old = ReadResources(file, im); !old.resources) return Refuse(old.error);
  SortResources(resources);

  std::vector<Section> sections = im.sections;
  const std::size_t oldCount = sections.size();
  std::vector<std::int64_t> vaShift(oldCount, 0);
  const DataDirectory resourceDir = im.directories.size() > kResourceDirectory
                                        ? im.directories[kResourceDirectory]
                                        : DataDirectory{};
  std::optional<std::size_t> target;
  if (resourceDir.rva)
    for (std::size_t i = 0; i < oldCount; ++i)
      if (sections[i].virtualAddress == resourceDir.rva) target = i;

  std::vector<std::uint8_t> rsrc;
  if (target) {
    const std::size_t r = *target;
    rsrc = BuildResourceSection(resources, sections[r].virtualAddress);
    bool tailMovable = true;
    for (std::size_t i = r + 1; i < oldCount; ++i)
      tailMovable = tailMovable && MovableSection(im, im.sections[i]);
    if (tailMovable) {
      std::uint64_t next =
          AlignUp(std::uint64_t{sections[r].virtualAddress} + rsrc.size(), im.sectionAlignment);
      for (std::size_t i = r + 1; i < oldCount; ++i) {
        vaShift[i] = static_cast<std::int64_t>(next) - sections[i].virtualAddress;
        sections[i].virtualAddress = static_cast<std::uint32_t>(next);
        next = AlignUp(next + sections[i].MemorySize(), im.sectionAlignment);
      }
      if (next > 0xFFFFFFFFull) return Refuse("image larger than 4 GiB");
    } else if (rsrc.size() > sections[r + 1].virtualAddress - sections[r].virtualAddress) {
      target.reset();
    }
  }
  if (!target) {
    const Section& last = sections.back();
    std::uint64_t va =
        AlignUp(std::uint64_t{last.virtualAddress} + last.MemorySize(), im.sectionAlignment);
    if (va > 0xFFFFFFFFull) return Refuse("image larger than 4 GiB");
    Section added;
    std::copy_n(".rsrc\0\0", 8, added.name.begin());
    added.virtualAddress = static_cast<std::uint32_t>(va);
    added.characteristics = 0x40000000u | kInitializedData;  // readable initialized data
    rsrc = BuildResourceSection(resources, added.virtualAddress);
    sections.push_back(added);
    target = sections.size() - 1;
  }
  Section& rs = sections[*target];
  rs.virtualSize = static_cast<std::uint32_t>(rsrc.size());
  rs.rawSize = static_cast<std::uint32_t>(AlignUp(rsrc.size(), im.fileAlignment));
  if (std::uint64_t{rs.virtualAddress} + rs.virtualSize > 0xFFFFFFFFull)
    return Refuse("image larger than 4 GiB");

  // The headers: one more section entry must fit before the first section,
  // over bytes nothing uses.
  const std::uint64_t tableEnd = im.sectionTableOffset + 40ull * sections.size();
  const std::uint64_t headers =
      AlignUp(std::max<std::uint64_t>(im.sizeOfHeaders, tableEnd), im.fileAlignment);
  if (headers > sections.front().virtualAddress)
    return Refuse("no room for another section header");
  if (sections.size() > oldCount) {
    const std::size_t from = im.sectionTableOffset + 40 * oldCount;
    for (std::size_t i = from; i < tableEnd; ++i)
      if (i < file.size() && i < im.sizeOfHeaders && file[i] != 0)
        return Refuse("no room for another section header");
  }
  std::vector<std::uint8_t> out(file.begin(), file.begin() + im.sizeOfHeaders);
  out.resize(headers, 0);

  // Section data in the old file order, the new resource section last.
  std::vector<std::size_t> order(sections.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    auto key = [&](std::size_t i) {
      return i < oldCount ? std::uint64_t{im.sections[i].rawPointer} : ~std::uint64_t{0};
    };
    return key(a) < key(b);
  });
  std::uint64_t oldEnd = im.sizeOfHeaders;
  std::vector<Moved> moved;
  for (std::size_t i : order) {
    Section& s = sections[i];
    const bool replaced = i == *target;
    if (i < oldCount && im.sections[i].rawSize)
      oldEnd = std::max<std::uint64_t>(oldEnd, im.sections[i].rawPointer + im.sections[i].rawSize);
    if (s.rawSize == 0) {
      s.rawPointer = 0;
      continue;
    }
    out.resize(AlignUp(out.size(), im.fileAlignment), 0);
    if (Beyond32Bits(out.size())) return Refuse("file larger than 4 GiB");
    s.rawPointer = static_cast<std::uint32_t>(out.size());
    if (replaced) {
      out.insert(out.end(), rsrc.begin(), rsrc.end());
    } else {
      auto from = file.begin() + im.sections[i].rawPointer;
      out.insert(out.end(), from, from + s.rawSize);
      moved.push_back({im.sections[i].rawPointer, s.rawSize, s.rawPointer});
    }
  }
  out.resize(AlignUp(out.size(), im.fileAlignment), 0);

  // What followed the sections, less a certificate table.
  std::uint64_t overlayEnd = file.size();
  const DataDirectory security = im.directories.size() > kSecurityDirectory
                                     ? im.directories[kSecurityDirectory]
                                     : DataDirectory{};
  if (security.rva >= oldEnd && security.rva < overlayEnd) overlayEnd = security.rva;
  const std::uint64_t overlayStart = std::min(oldEnd, overlayEnd);
  const std::uint64_t newOverlay = out.size();
  out.insert(out.end(), file.begin() + overlayStart, file.begin() + overlayEnd);
  if (overlayEnd > overlayStart)
    moved.push_back({static_cast<std::uint32_t>(overlayStart),
                     static_cast<std::uint32_t>(overlayEnd - overlayStart),
                     static_cast<std::uint32_t>(newOverlay)});
  if (Beyond32Bits(out.size())) return Refuse("file larger than 4 GiB");

  auto rebase = [&](std::uint32_t rva) -> std::uint32_t {
    for (std::size_t i = 0; i < oldCount; ++i) {
      const Section& s = im.sections[i];
      if (rva >= s.virtualAddress && rva - s.virtualAddress < s.MemorySize())
        return static_cast<std::uint32_t>(rva + vaShift[i]);
    }
    return rva;
  };

  // The headers that depend on the layout.
  const std::uint32_t opt = im.optionalOffset;
  Put16(out, im.peOffset + 6, static_cast<std::uint16_t>(sections.size()));
  if (im.symbolTable) Put32(out, im.peOffset + 12, MapOffset(moved, im.symbolTable).value_or(0));
  std::uint64_t initialized = Get32(out, opt + 8);
  for (std::size_t i = 0; i < sections.size(); ++i) {
    if (!(sections[i].characteristics & kInitializedData)) continue;
    initialized += sections[i].rawSize;
    if (i < oldCount) initialized -= im.sections[i].rawSize;
  }
  Put32(out, opt + 8, static_cast<std::uint32_t>(initialized));
  const Section& last = sections.back();
  Put32(out, opt + 56,
        static_cast<std::uint32_t>(
            AlignUp(std::uint64_t{last.virtualAddress} + last.MemorySize(), im.sectionAlignment)));
  Put32(out, opt + 60, static_cast<std::uint32_t>(headers));
  for (std::size_t i = 0; i < im.directories.size(); ++i) {
    const std::size_t at = im.DirectoriesOffset() + 8 * i;
    if (i == kResourceDirectory) {
      Put32(out, at, rs.virtualAddress);
      Put32(out, at + 4, rs.virtualSize);
    } else if (i == kSecurityDirectory) {
      Put32(out, at, 0);
      Put32(out, at + 4, 0);
    } else if (im.directories[i].rva) {
      Put32(out, at, rebase(im.directories[i].rva));
    }
  }
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const std::size_t at = im.sectionTableOffset + 40 * i;
    const Section& s = sections[i];
    if (i >= oldCount) {
      std::copy(s.name.begin(), s.name.end(), out.begin() + at);
      Put32(out, at + 36, s.characteristics);
    }
    Put32(out, at + 8, s.virtualSize);
    Put32(out, at + 12, s.virtualAddress);
    Put32(out, at + 16, s.rawSize);
    Put32(out, at + 20, s.rawPointer);
  }

  // Debug entries name their data by address and by file offset.
  if (im.directories.size() > kDebugDirectory && im.directories[kDebugDirectory].rva) {
    Image now = im;
    now.sections = sections;
    const DataDirectory debug{rebase(im.directories[kDebugDirectory].rva),
                              im.directories[kDebugDirectory].size};
    if (auto at = now.FileOffset(debug.rva, debug.size)) {
      for (std::uint32_t e = 0; e + 28 <= debug.size; e += 28) {
        const std::size_t entry = *at + e;
        if (std::uint32_t rva = Get32(out, entry + 20)) Put32(out, entry + 20, rebase(rva));
        if (std::uint32_t ptr = Get32(out, entry + 24))
          Put32(out, entry + 24, MapOffset(moved, ptr).value_or(0));
      }
    }
  }
  if (im.checksum) Put32(out, opt + 64, ImageChecksum(out, opt + 64));
  return {std::move(out), {}};
}

}  // namespace pf::pe
