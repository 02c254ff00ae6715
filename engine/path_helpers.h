#pragma once
#include <string>
#include <string_view>

namespace pf {

// The text after the last backslash (all of it when there is none). Only the
// backslash separates; a forward slash is an ordinary character.
std::u16string LastPathElement(std::u16string_view path);

// The same cut, with the build's trace lines.
std::u16string GetDataFileName(const std::u16string& fileName);

// Appends `first`, one backslash and `second` to `outputPath`; nothing is
// checked, so a separator already there is doubled.
void AppendElementToPath(std::u16string& outputPath, const std::u16string& first,
                         const std::u16string& second);

}  // namespace pf
