// How many threads "x" decodes on, from what an archive's headers say.
// Plain data in, a count out; the handler calls are in archive_reader.cpp.
#pragma once
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

#include "client7z/client7z.h"

namespace client7z {

// Each decoding thread holds one block unpacked and its packed bytes, up to
// four times the dictionary: more threads than this would make memory grow
// with the machine for no gain on the disk that takes the output.
inline constexpr unsigned kMaxDecodingThreads = 4;

// The dictionary of an LZMA2 coder named in a method list as the 7z handler
// writes it ("LZMA2:24" for 2^24 bytes, "LZMA2:3m", possibly after a filter:
// "BCJ LZMA2:24"); nothing when the list holds no LZMA2 coder or the text
// is not understood.
inline std::optional<std::uint64_t> Lzma2Dictionary(std::wstring_view methods) {
  constexpr std::wstring_view kName = L"LZMA2:";
  std::size_t at = methods.find(kName);
  if (at == std::wstring_view::npos || (at > 0 && methods[at - 1] != L' ')) return std::nullopt;
  std::wstring_view rest = methods.substr(at + kName.size());
  std::uint64_t number = 0;
  std::size_t digits = 0;
  for (; digits < rest.size() && digits < 10 && rest[digits] >= L'0' && rest[digits] <= L'9';
       ++digits)
    number = number * 10 + static_cast<unsigned>(rest[digits] - L'0');
  if (digits == 0) return std::nullopt;
  wchar_t unit = digits < rest.size() ? rest[digits] : L' ';
  switch (unit) {
    case L' ':
      return number <= 40 ? std::optional<std::uint64_t>(std::uint64_t{1} << number) : std::nullopt;
    case L'k':
      return number << 10;
    case L'm':
      return number << 20;
    case L'g':
      return number << 30;
    default:
      return std::nullopt;
  }
}

// One thread unless the largest solid block can hold several LZMA2 blocks
// that decode apart: it must be longer than the block size "a" writes, and
// its dictionary no larger, since 7z.dll's decoder buffers up to four times
// the dictionary per thread and a stream of one long block only reads ahead
// on the extra threads (the figures are in client7z.h).
inline unsigned DecodingThreads(std::uint64_t largestSolidBlock,
                                std::optional<std::uint64_t> dictionary, unsigned processors) {
  constexpr std::uint64_t kBlockBytes = std::uint64_t{PF_CLIENT7Z_BLOCK_MIB} << 20;
  if (largestSolidBlock <= kBlockBytes || !dictionary || *dictionary > kBlockBytes) return 1;
  return std::clamp(processors, 1u, kMaxDecodingThreads);
}

}  // namespace client7z
