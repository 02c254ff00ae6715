#include "compress/archive_encryption.h"

#include <atomic>
#include <utility>

namespace pf {
namespace {

std::u16string password;
std::atomic<bool> set{false};

// Overwrites the text through a volatile pointer, which the optimiser keeps.
void Wipe(std::u16string& text) {
  volatile char16_t* p = text.data();
  for (std::size_t i = 0; i < text.size(); ++i) p[i] = 0;
  text.clear();
}

}  // namespace

ArchiveEncryption::ArchiveEncryption(std::u16string text) {
  Wipe(password);
  password = std::move(text);
  set = !password.empty();
}

ArchiveEncryption::~ArchiveEncryption() {
  set = false;
  Wipe(password);
}

const std::u16string* ArchivePassword() {
  return set ? &password : nullptr;
}

}  // namespace pf
