// How the package header stores the password: the builders write it, the
// agent compares what was typed with it.
#pragma once
#include <string>
#include <string_view>

namespace pf {

// Each code unit plus its 1-based position (modulo 65536), then reversed.
std::u16string EncodePassword(std::u16string_view password);

}  // namespace pf
