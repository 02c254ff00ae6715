#include "tests/support/ico_builder.h"

#include <array>

namespace pf::test {
namespace {

void Le16(std::string& b, std::uint32_t v) {
  b.push_back(static_cast<char>(v & 0xFF));
  b.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Le32(std::string& b, std::uint32_t v) {
  Le16(b, v & 0xFFFF);
  Le16(b, v >> 16);
}
void Be32(std::string& b, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<char>((v >> shift) & 0xFF));
}

std::uint32_t Crc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (unsigned char c : bytes) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void PngChunk(std::string& out, const char* type, const std::string& data) {
  Be32(out, static_cast<std::uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  out += body;
  Be32(out, Crc32(body));
}

std::string Png(int size) {
  std::string raw;  // filter byte 0, then RGBA per row
  for (int y = 0; y < size; ++y) {
    raw.push_back(0);
    for (int x = 0; x < size; ++x) {
      std::uint32_t c = PatternColour(size, x, y);
      raw.push_back(static_cast<char>(c >> 16));
      raw.push_back(static_cast<char>(c >> 8));
      raw.push_back(static_cast<char>(c));
      raw.push_back(static_cast<char>(0xFF));
    }
  }
  // zlib stream of stored blocks: no compression needed to be valid.
  std::string z = "\x78\x01";
  for (std::size_t at = 0; at < raw.size() || at == 0; at += 65535) {
    std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
    z.push_back(at + n >= raw.size() ? 1 : 0);
    Le16(z, static_cast<std::uint32_t>(n));
    Le16(z, static_cast<std::uint32_t>(~n & 0xFFFF));
    z += raw.substr(at, n);
  }
  std::uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  Be32(z, (b << 16) | a);
  std::string ihdr;
  Be32(ihdr, static_cast<std::uint32_t>(size));
  Be32(ihdr, static_cast<std::uint32_t>(size));
  ihdr += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA
  std::string out = "\x89PNG\r\n\x1A\n";
  PngChunk(out, "IHDR", ihdr);
  PngChunk(out, "IDAT", z);
  PngChunk(out, "IEND", "");
  return out;
}

std::string Dib(int size, int bits) {
  std::array<std::uint32_t, 4> palette = {
      PatternColour(size, 0, 0), PatternColour(size, size - 1, 0), PatternColour(size, 0, size - 1),
      PatternColour(size, size - 1, size - 1)};
  int colours = bits <= 8 ? 1 << bits : 0;
  std::string b;
  Le32(b, 40);
  Le32(b, static_cast<std::uint32_t>(size));
  Le32(b, static_cast<std::uint32_t>(size * 2));  // colour rows and mask rows
  Le16(b, 1);
  Le16(b, static_cast<std::uint32_t>(bits));
  Le32(b, 0);
  Le32(b, 0);
  Le32(b, 0);
  Le32(b, 0);
  Le32(b, static_cast<std::uint32_t>(colours));
  Le32(b, 0);
  for (int i = 0; i < colours; ++i) Le32(b, i < 4 ? palette[i] : 0);
  auto pad = [&](std::size_t rowStart) {
    while ((b.size() - rowStart) % 4) b.push_back(0);
  };
  for (int y = size - 1; y >= 0; --y) {  // bottom-up
    std::size_t rowStart = b.size();
    int pending = 0, filled = 0;
    for (int x = 0; x < size; ++x) {
      std::uint32_t c = PatternColour(size, x, y);
      if (bits == 32) {
        Le32(b, c | 0xFF000000u);
      } else if (bits == 24) {
        b.push_back(static_cast<char>(c));
        b.push_back(static_cast<char>(c >> 8));
        b.push_back(static_cast<char>(c >> 16));
      } else {
        int index = static_cast<int>(x >= size / 2) + 2 * static_cast<int>(y >= size / 2);
        pending = (pending << bits) | index;
        filled += bits;
        if (filled == 8) {
          b.push_back(static_cast<char>(pending));
          pending = filled = 0;
        }
      }
    }
    pad(rowStart);
  }
  for (int y = 0; y < size; ++y) {  // AND mask: 0 everywhere, all opaque
    std::size_t rowStart = b.size();
    b.append(static_cast<std::size_t>((size + 7) / 8), '\0');
    pad(rowStart);
  }
  return b;
}

}  // namespace

std::uint32_t PatternColour(int size, int x, int y) {
  // Each quadrant its own colour, each size its own shade of them.
  static constexpr std::uint32_t kQuadrants[4] = {0x800000, 0x008000, 0x000080, 0x808000};
  int q = static_cast<int>(x >= size / 2) + 2 * static_cast<int>(y >= size / 2);
  auto shade = static_cast<std::uint32_t>(size / 16) * 0x040404;  // at most 0x40 a channel
  return (kQuadrants[q] | 0x101010) + shade;
}

std::string ImageOf(int size, int bits, bool png) {
  return png ? Png(size) : Dib(size, bits);
}

std::string IcoFileOf(const std::vector<IcoEntry>& entries) {
  std::string b;
  Le16(b, 0);
  Le16(b, 1);
  Le16(b, static_cast<std::uint32_t>(entries.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
  for (const IcoEntry& e : entries) {
    b.push_back(static_cast<char>(e.size >= 256 ? 0 : e.size));
    b.push_back(static_cast<char>(e.size >= 256 ? 0 : e.size));
    b.push_back(static_cast<char>(e.bits == 4 ? 16 : 0));  // colour count
    b.push_back(0);
    Le16(b, static_cast<std::uint32_t>(e.planes));
    Le16(b, static_cast<std::uint32_t>(e.bits));
    Le32(b, e.sizeField >= 0 ? static_cast<std::uint32_t>(e.sizeField)
                             : static_cast<std::uint32_t>(e.image.size()));
    Le32(b, e.offsetField >= 0 ? static_cast<std::uint32_t>(e.offsetField) : offset);
    offset += static_cast<std::uint32_t>(e.image.size());
  }
  for (const IcoEntry& e : entries) b += e.image;
  return b;
}

std::string ApplicationIcon() {
  return IcoFileOf({{256, 32, ImageOf(256, 32, true)},
                    {48, 32, ImageOf(48, 32)},
                    {32, 32, ImageOf(32, 32)},
                    {16, 32, ImageOf(16, 32)}});
}

}  // namespace pf::test
