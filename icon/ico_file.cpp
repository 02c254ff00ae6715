#include "icon/ico_file.h"

#include <algorithm>

namespace pf {
namespace {

constexpr std::size_t kDirHeaderSize = 6;
constexpr std::size_t kDirEntrySize = 16;
constexpr std::size_t kGroupEntrySize = 14;

std::uint16_t Get16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t Get32(std::span<const std::uint8_t> b, std::size_t at) {
  return std::uint32_t{Get16(b, at)} | (std::uint32_t{Get16(b, at + 2)} << 16);
}

std::uint32_t Get32BigEndian(std::span<const std::uint8_t> b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
         (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, static_cast<std::uint16_t>(v));
  Put16(out, static_cast<std::uint16_t>(v >> 16));
}

IcoFile Refuse(std::u16string why) {
  return {{}, std::move(why)};
}

std::u16string Number(std::size_t n) {
  std::string s = std::to_string(n);
  return {s.begin(), s.end()};
}

struct Depth {
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
};

// Planes and bits per pixel from the image's own header: a PNG's IHDR or a
// DIB's BITMAPINFOHEADER. Zero where the header is neither.
Depth DepthOfImage(std::span<const std::uint8_t> image) {
  static constexpr std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (image.size() >= 26 && std::equal(std::begin(kPng), std::end(kPng), image.begin()) &&
      Get32BigEndian(image, 12) == 0x49484452 /* IHDR */) {
    std::uint8_t bitDepth = image[24];
    std::uint8_t channels = 0;
    switch (image[25]) {  // colour type
      case 0:
        channels = 1;
        break;  // grey
      case 2:
        channels = 3;
        break;  // RGB
      case 3:
        channels = 1;
        break;  // palette
      case 4:
        channels = 2;
        break;  // grey and alpha
      case 6:
        channels = 4;
        break;  // RGBA
      default:
        return {};
    }
    return {1, static_cast<std::uint16_t>(bitDepth * channels)};
  }
  if (image.size() >= 16 && Get32(image, 0) >= 40) return {Get16(image, 12), Get16(image, 14)};
  return {};
}

}  // namespace

IcoFile ReadIcoFile(std::span<const std::uint8_t> bytes) {
  return ReadIcoDirectory(bytes, bytes.size());
}

IcoFile ReadIcoDirectory(std::span<const std::uint8_t> bytes, std::uint64_t fileSize) {
  fileSize = std::max<std::uint64_t>(fileSize, bytes.size());
  if (bytes.size() < kDirHeaderSize) return Refuse(u"shorter than its directory");
  if (Get16(bytes, 0) != 0 || Get16(bytes, 2) != 1) return Refuse(u"not an icon file");
  std::size_t count = Get16(bytes, 4);
  if (count == 0) return Refuse(u"holds no image");
  std::size_t directoryEnd = kDirHeaderSize + count * kDirEntrySize;
  if (directoryEnd > bytes.size()) return Refuse(u"directory runs past the end of the file");
  IcoFile ico;
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t at = kDirHeaderSize + i * kDirEntrySize;
    IcoImage image;
    image.width = bytes[at];
    image.height = bytes[at + 1];
    image.colorCount = bytes[at + 2];
    image.planes = Get16(bytes, at + 4);
    image.bitCount = Get16(bytes, at + 6);
    image.size = Get32(bytes, at + 8);
    image.offset = Get32(bytes, at + 12);
    std::u16string which = u"image " + Number(i + 1) + u" ";
    if (image.size == 0) return Refuse(which + u"is empty");
    if (image.offset < directoryEnd) return Refuse(which + u"overlaps the directory");
    if (std::uint64_t{image.offset} + image.size > fileSize)
      return Refuse(which + u"runs past the end of the file");
    ico.images.push_back(image);
  }
  return ico;
}

std::vector<std::uint8_t> MakeGroupIconDirectory(const IcoFile& ico,
                                                 std::span<const std::uint8_t> bytes) {
  std::vector<std::uint8_t> out;
  Put16(out, 0);  // idReserved
  Put16(out, 1);  // idType: icon
  Put16(out, static_cast<std::uint16_t>(ico.images.size()));
  std::uint16_t id = 1;
  for (const IcoImage& image : ico.images) {
    Depth depth{image.planes, image.bitCount};
    if (depth.planes == 0 || depth.bitCount == 0) {
      Depth own = DepthOfImage(bytes.subspan(image.offset, image.size));
      if (depth.planes == 0) depth.planes = own.planes;
      if (depth.bitCount == 0) depth.bitCount = own.bitCount;
    }
    out.push_back(image.width);
    out.push_back(image.height);
    out.push_back(image.colorCount);
    out.push_back(0);  // bReserved
    Put16(out, depth.planes);
    Put16(out, depth.bitCount);
    Put32(out, image.size);
    Put16(out, id++);
  }
  return out;
}

std::vector<std::uint16_t> GroupIconIds(std::span<const std::uint8_t> group) {
  if (group.size() < kDirHeaderSize || Get16(group, 2) != 1) return {};
  std::size_t count = Get16(group, 4);
  if (kDirHeaderSize + count * kGroupEntrySize > group.size()) return {};
  std::vector<std::uint16_t> ids;
  for (std::size_t i = 0; i < count; ++i)
    ids.push_back(Get16(group, kDirHeaderSize + i * kGroupEntrySize + 12));
  return ids;
}

}  // namespace pf
