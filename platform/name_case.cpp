#include "platform/name_case.h"

#include <algorithm>
#include <array>
#include <utility>

namespace pf {
namespace {

struct Mapping {
  char16_t from, to;
};

constexpr Mapping kUpper[] = {
#include "platform/name_case_table.inc"
};

static_assert(std::is_sorted(std::begin(kUpper), std::end(kUpper),
                             [](const Mapping& a, const Mapping& b) { return a.from < b.from; }));

}  // namespace

char16_t UpcaseForNames(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  auto it = std::lower_bound(std::begin(kUpper), std::end(kUpper), c,
                             [](const Mapping& m, char16_t v) { return m.from < v; });
  return it != std::end(kUpper) && it->from == c ? it->to : c;
}

bool SameNameByTable(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return UpcaseForNames(x) == UpcaseForNames(y); });
}

}  // namespace pf
