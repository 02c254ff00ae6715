#include "engine/password_encoding.h"

#include <algorithm>

namespace pf {

std::u16string EncodePassword(std::u16string_view password) {
  std::u16string q(password.size(), u'\0');
  for (std::size_t i = 0; i < password.size(); ++i)
    q[i] = static_cast<char16_t>((password[i] + i + 1) & 0xFFFF);
  std::reverse(q.begin(), q.end());
  return q;
}

}  // namespace pf
