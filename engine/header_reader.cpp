#include "engine/header_reader.h"

#include <cstring>

#include "engine/package_names.h"

namespace pf {
namespace {

class Cursor {
 public:
  explicit Cursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::size_t offset() const { return pos_; }
  std::size_t left() const { return bytes_.size() - pos_; }

  bool Int(std::int32_t& out, std::string& error, const char* what) {
    if (left() < kIntFieldSize) return Fail(error, std::string("truncated ") + what);
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t{bytes_[pos_ + i]} << (8 * i);
    if (bytes_[pos_ + 4] != 0 || bytes_[pos_ + 5] != 0)
      return Fail(error, std::string("bad padding in ") + what);
    pos_ += kIntFieldSize;
    out = static_cast<std::int32_t>(v);
    return true;
  }

  bool String(std::u16string& out, std::string& error, const char* what) {
    out.clear();
    for (;;) {
      if (left() < 2) return Fail(error, std::string("unterminated ") + what);
      char16_t unit = static_cast<char16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
      pos_ += 2;
      if (unit == 0) return true;
      out += unit;
    }
  }

  bool Signature(std::string& error) {
    if (left() < kSignatureFieldSize ||
        std::memcmp(bytes_.data(), kHeaderSignature.data(), kHeaderSignature.size()) != 0 ||
        bytes_[kHeaderSignature.size()] != 0)
      return Fail(error, "no package signature");
    pos_ = kSignatureFieldSize;
    return true;
  }

 private:
  static bool Fail(std::string& error, std::string why) {
    error = std::move(why);
    return false;
  }
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

// The smallest entry record: flag, an empty name, size.
constexpr std::size_t kMinRecord = kIntFieldSize + 2 + kIntFieldSize;

}  // namespace

HeaderReadResult ReadPackageHeader(std::span<const std::uint8_t> bytes,
                                   std::optional<std::uint64_t> regionLength) {
  HeaderReadResult result;
  std::string& error = result.error;
  Cursor in(bytes);
  PackageHeader h;
  std::int32_t count = 0, fixed = 0;
  if (!in.Signature(error) || !in.Int(count, error, "entry count") ||
      !in.String(h.driverFilePath, error, "run entry") || !in.Int(fixed, error, "fixed value") ||
      !in.String(h.password, error, "password") || !in.String(h.aboutMessage, error, "message") ||
      !in.String(h.aboutTitle, error, "title") ||
      !in.Int(h.extractFolderOption, error, "folder option"))
    return result;
  if (fixed != 1) {
    error = "unexpected fixed value";
    return result;
  }
  if (h.extractFolderOption < 0 || h.extractFolderOption > 2) {
    error = "unknown folder option";
    return result;
  }
  if (count < 0 || static_cast<std::size_t>(count) > in.left() / kMinRecord) {
    error = "entry count overruns the header";
    return result;
  }
  h.entries.resize(static_cast<std::size_t>(count));
  for (auto& e : h.entries) {
    std::int32_t size = 0;
    if (!in.Int(e.flag, error, "entry flag") || !in.String(e.name, error, "entry name") ||
        !in.Int(size, error, "entry size"))
      return result;
    if (e.flag != 0 && e.flag != 1) {
      error = "unknown entry flag";
      return result;
    }
    e.size = static_cast<std::uint32_t>(size);
    h.payloadSize += e.size;
  }
  h.headerLength = in.offset();
  if (regionLength) {
    if (*regionLength < h.headerLength || *regionLength - h.headerLength < h.payloadSize) {
      error = "entry sizes overrun the file";
      return result;
    }
    if (*regionLength - h.headerLength != h.payloadSize) {
      error = "file is longer than its entries";
      return result;
    }
  }
  result.header = std::move(h);
  return result;
}

}  // namespace pf
