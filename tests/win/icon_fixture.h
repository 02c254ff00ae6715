// A complete one-pixel, 32-bit icon file, for tests that need a real one.
#pragma once
#include <string>

namespace pf::test {

inline std::string TinyIcon() {
  std::string b;
  auto u16 = [&](unsigned v) {
    b.push_back(static_cast<char>(v & 0xFF));
    b.push_back(static_cast<char>(v >> 8));
  };
  auto u32 = [&](unsigned v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  u16(0), u16(1), u16(1);                    // ICONDIR: one icon image
  b += std::string("\x01\x01\x00\x00", 4);   // 1 x 1, no palette
  u16(1), u16(32), u32(48), u32(22);         // planes, bits, size, offset
  u32(40), u32(1), u32(2), u16(1), u16(32);  // BITMAPINFOHEADER, height doubled
  u32(0), u32(8), u32(0), u32(0), u32(0), u32(0);
  u32(0xFF2080C0);  // the pixel
  u32(0);           // the mask row
  return b;
}

// Where the image itself starts in TinyIcon().
inline constexpr std::size_t kTinyIconImageOffset = 22;

}  // namespace pf::test
