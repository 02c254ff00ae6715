// The .ico file format, read from bytes alone: the directory (reserved 0,
// type 1, a count of images), one 16-byte entry per image, and each image's
// bytes (a DIB or a PNG) at the entry's offset. Every count and offset is
// checked against the file before it is followed, so any bytes at all give
// either the images or a reason.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pf {

// One directory entry as stored. Width and height 0 stand for 256.
struct IcoImage {
  std::uint8_t width = 0;
  std::uint8_t height = 0;
  std::uint8_t colorCount = 0;
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t size = 0;
  std::uint32_t offset = 0;
};

struct IcoFile {
  std::vector<IcoImage> images;
  // Empty when the file is sound; otherwise why it was refused.
  std::u16string error;
  bool ok() const { return error.empty(); }
};

IcoFile ReadIcoFile(std::span<const std::uint8_t> bytes);

// The same checks from the file's first bytes and its length, for a check
// that should not read a whole file: `head` needs to hold no more than the
// directory, and kIcoDirectoryMaxBytes always do.
IcoFile ReadIcoDirectory(std::span<const std::uint8_t> head, std::uint64_t fileSize);
inline constexpr std::size_t kIcoDirectoryMaxBytes = 6 + 16 * 0xFFFF;

// The group-icon directory (GRPICONDIR and one 14-byte entry per image)
// naming the images as RT_ICON ids 1..n in file order. A zero planes or bit
// count in the file (some writers leave them out) is taken from the image's
// own header.
std::vector<std::uint8_t> MakeGroupIconDirectory(const IcoFile& ico,
                                                 std::span<const std::uint8_t> bytes);

// The RT_ICON ids a group-icon directory names; nothing for bytes that are
// no group directory.
std::vector<std::uint16_t> GroupIconIds(std::span<const std::uint8_t> group);

}  // namespace pf
