// What the data-files list shows for a file besides its name: the OS
// queries behind the Size and Modified columns.
#pragma once
#include <string>

namespace pf {

// The file status size in bytes, or the rule's text when it cannot be read.
std::u16string SizeTextOf(const std::u16string& path);
// The last-write time from a find-first lookup, as local time; empty when
// found but the time cannot be converted, "time unavailable" when not found.
std::u16string ModifiedTextOf(const std::u16string& path);

}  // namespace pf
