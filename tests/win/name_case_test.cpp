// The folding table the native build compares names with, against what
// Windows itself says about every UTF-16 code unit.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "platform/name_case.h"
#include "platform/os.h"

namespace pf {
namespace {

using Upcase = WCHAR(WINAPI*)(WCHAR);

std::string Hex(unsigned v) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", v);
  return text;
}

// For each code unit, the pair with the table's upper case and the pair
// with the system's: CompareStringOrdinal (which the rules use on Windows)
// and the table must give the same answer on both.
TEST(NameCase, TheTableAndCompareStringOrdinalAgreeOnEveryCodeUnit) {
  auto systemUpcase = reinterpret_cast<Upcase>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlUpcaseUnicodeChar")));
  ASSERT_NE(systemUpcase, nullptr);
  int disagreements = 0;
  for (unsigned u = 0; u <= 0xFFFF; ++u) {
    char16_t c = static_cast<char16_t>(u);
    for (char16_t other : {UpcaseForNames(c), static_cast<char16_t>(systemUpcase(c))}) {
      std::u16string a(1, c), b(1, other);
      bool bySystem = os::NamesEqualIgnoringCase(a, b);
      if (bySystem != SameNameByTable(a, b) && ++disagreements <= 20)
        ADD_FAILURE() << "U+" << Hex(u) << " vs U+" << Hex(other) << ": system says " << bySystem;
    }
  }
  EXPECT_EQ(disagreements, 0);
}

}  // namespace
}  // namespace pf
