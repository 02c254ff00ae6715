#pragma once
#include <string>

namespace pf {

// The path under which `name` exists: as given (relative to the current
// folder), else programFolder + "\" + name. Fails the build otherwise.
std::u16string LocateFile(const std::u16string& programFolder, const std::u16string& name);

}  // namespace pf
