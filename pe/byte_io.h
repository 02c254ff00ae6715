// Little-endian loads and stores into byte buffers, bounds checked by the
// caller (every reader checks a range against what is left first).
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace pf::pe {

inline std::uint16_t Get16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
inline std::uint32_t Get32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
inline void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
// Whether [at, at + count) lies inside a buffer of `size` bytes.
inline bool Fits(std::uint64_t at, std::uint64_t count, std::uint64_t size) {
  return at <= size && count <= size - at;
}
// Offsets and sizes are 32-bit fields. Taken as a parameter, so that a
// size_t of a 32-bit host can be asked without an always-false comparison.
inline bool Beyond32Bits(std::uint64_t value) {
  return value > 0xFFFFFFFFull;
}
inline std::uint64_t AlignUp(std::uint64_t v, std::uint32_t alignment) {
  return (v + alignment - 1) / alignment * alignment;
}

}  // namespace pf::pe
