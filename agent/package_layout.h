// Where a package's header and payload sit in the agent's own file: past the
// PE image (its last section's raw data, and the COFF symbol table a linker
// may have left), and up to the Authenticode certificate table when the
// package was signed after it was built.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "engine/header_reader.h"

namespace pf::agent {

// Random access to the bytes of a file; a span or the open package.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Length() const = 0;
  // Fills all of `out` from `offset`, or fails.
  virtual bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

class SpanSource : public ByteSource {
 public:
  explicit SpanSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Length() const override { return bytes_.size(); }
  bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  std::span<const std::uint8_t> bytes_;
};

struct PeLayout {
  std::uint64_t imageEnd = 0;  // first byte past everything the PE file itself holds
  // Where the certificate table starts, when the file carries one.
  std::optional<std::uint64_t> certificateOffset;
};

struct PeLayoutResult {
  std::optional<PeLayout> layout;
  std::string error;
};

PeLayoutResult ReadPeLayout(ByteSource& file);

// The certificate table is aligned to 8 by up to 7 zero bytes after the
// payload; this many must sit between `payloadEnd` and the table.
std::optional<std::uint64_t> CertificatePadding(std::uint64_t payloadEnd,
                                                std::uint64_t certificateOffset);

struct PackageLayout {
  PackageHeader header;
  std::uint64_t headerOffset = 0;
  std::uint64_t payloadOffset = 0;  // the first entry's first byte
  std::uint64_t payloadEnd = 0;     // one past the last entry's last byte
};

struct PackageLayoutResult {
  std::optional<PackageLayout> layout;
  std::string error;  // why the file is not an intact package
};

// The longest header the agent reads (far beyond any the builder writes).
inline constexpr std::size_t kMaxHeaderBytes = std::size_t{4} << 20;

// Finds and checks the header: signature right past the image, every field
// well formed, and header + recorded sizes filling the rest of the file
// exactly (up to the certificate table and its alignment, when signed).
PackageLayoutResult LocatePackage(ByteSource& file);

}  // namespace pf::agent
