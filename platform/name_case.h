// File names compare as the Windows file system compares them: each UTF-16
// code unit through one upper-case table, over all of Unicode's one-to-one
// mappings (so "Ā.txt" and "ā.txt" are one name).
#pragma once
#include <string_view>

namespace pf {

char16_t UpcaseForNames(char16_t c);
// The table's answer; the platform seam's NamesEqualIgnoringCase is what
// the rules use (on Windows it asks the system).
bool SameNameByTable(std::u16string_view a, std::u16string_view b);

}  // namespace pf
