// Icon files made in the test: real DIB and PNG images of a chosen size and
// depth, each painted with four quadrant colours that depend on its size, so
// a test can tell which image was drawn and which way up; and a directory
// builder whose entries can be made to lie.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace pf::test {

// 0x00RRGGBB of the pixel at (x, y), counted from the top left, in the
// image of `size` pixels that ImageOf paints.
std::uint32_t PatternColour(int size, int x, int y);

// The image bytes of a square icon image painted with PatternColour: a DIB
// (BITMAPINFOHEADER, doubled height, 1-bit AND mask, all opaque) of 4, 8,
// 24 or 32 bits, or, with `png`, a 32-bit RGBA PNG (stored deflate).
std::string ImageOf(int size, int bits, bool png = false);

struct IcoEntry {
  int size = 0;  // pixels; 256 is written as 0
  int bits = 0;  // as the entry states it (the image may say otherwise)
  std::string image;
  // Overrides for a lying entry: when set, used instead of the real ones.
  std::int64_t sizeField = -1;
  std::int64_t offsetField = -1;
  int planes = 1;
};

// ICONDIR, the entries, then the images in order right after the directory.
std::string IcoFileOf(const std::vector<IcoEntry>& entries);

// The usual application icon: 256 (PNG), 48, 32 and 16 pixels, 32 bits.
std::string ApplicationIcon();

}  // namespace pf::test
