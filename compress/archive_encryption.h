// The password that the build's archive is encrypted with (AES-256, names
// included), set by the console front end for its one build. It is kept out
// of BuildSettings, the package header and every trace line: it reaches the
// client library through its options, never its argument list.
#pragma once
#include <string>

namespace pf {

// While it lives, every archive the compression step packs is encrypted
// with `password` (not empty); the text is wiped when it ends.
class ArchiveEncryption {
 public:
  explicit ArchiveEncryption(std::u16string password);
  ~ArchiveEncryption();
  ArchiveEncryption(const ArchiveEncryption&) = delete;
  ArchiveEncryption& operator=(const ArchiveEncryption&) = delete;
};

// The password set by the living ArchiveEncryption; null when archives are
// packed in the clear.
const std::u16string* ArchivePassword();

}  // namespace pf
