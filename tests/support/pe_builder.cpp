#include "tests/support/pe_builder.h"

#include "pe/byte_io.h"

namespace pf::test {

using pe::AlignUp;
using pe::Put16;
using pe::Put32;

std::uint32_t SectionRva(const ImageSpec& spec, std::size_t index) {
  std::uint64_t va = 0x1000;
  for (std::size_t i = 0; i < index; ++i)
    va = AlignUp(va + std::max<std::size_t>(spec.sections[i].bytes.size(), 1), 0x1000);
  return static_cast<std::uint32_t>(va);
}

std::vector<std::uint8_t> BuildImage(const ImageSpec& spec) {
  std::vector<std::uint8_t> f(0x400, 0);
  f[0] = 'M';
  f[1] = 'Z';
  const std::uint32_t pe = 0x80, opt = pe + 24, optSize = spec.plus ? 240 : 224;
  Put32(f, 0x3C, pe);
  Put32(f, pe, 0x00004550);
  Put16(f, pe + 4, spec.plus ? 0x8664 : 0x14c);
  Put16(f, pe + 6, static_cast<std::uint16_t>(spec.sections.size()));
  Put16(f, pe + 20, static_cast<std::uint16_t>(optSize));
  Put16(f, pe + 22, 0x0102);
  Put16(f, opt, spec.plus ? 0x20b : 0x10b);
  Put32(f, opt + 32, 0x1000);
  Put32(f, opt + 36, 0x200);
  Put32(f, opt + 60, 0x400);
  Put32(f, opt + 64, spec.checksum);
  const std::uint32_t dirs = opt + (spec.plus ? 112 : 96);
  Put32(f, dirs - 4, 16);
  std::uint32_t table = opt + optSize, initialized = 0;
  for (std::size_t i = 0; i < spec.sections.size(); ++i) {
    const auto& s = spec.sections[i];
    const std::uint32_t at = table + 40 * static_cast<std::uint32_t>(i);
    for (std::size_t c = 0; c < s.name.size() && c < 8; ++c) f[at + c] = s.name[c];
    Put32(f, at + 8, static_cast<std::uint32_t>(s.bytes.size()));
    Put32(f, at + 12, SectionRva(spec, i));
    const auto raw = static_cast<std::uint32_t>(AlignUp(s.bytes.size(), 0x200));
    Put32(f, at + 16, raw);
    Put32(f, at + 20, raw ? static_cast<std::uint32_t>(f.size()) : 0);
    Put32(f, at + 36, s.characteristics);
    if (s.characteristics & 0x40) initialized += raw;
    f.insert(f.end(), s.bytes.begin(), s.bytes.end());
    f.resize(AlignUp(f.size(), 0x200), 0);
  }
  Put32(f, opt + 8, initialized);
  Put32(f, opt + 56, SectionRva(spec, spec.sections.size()));
  for (const auto& d : spec.directories) {
    Put32(f, dirs + 8 * static_cast<std::uint32_t>(d.index),
          SectionRva(spec, d.section) + d.offset);
    Put32(f, dirs + 8 * static_cast<std::uint32_t>(d.index) + 4, d.size);
  }
  f.insert(f.end(), spec.overlay.begin(), spec.overlay.end());
  return f;
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

}  // namespace pf::test
