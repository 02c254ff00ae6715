// What the agent accepts as an entry name: a plain file name that lands
// inside the target folder, and nothing the file system would turn into a
// device, a stream or another folder.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "engine/header_reader.h"

namespace pf::agent {

// Nothing when `name` is a plain file name; otherwise why it is not.
std::optional<std::u16string> EntryNameProblem(std::u16string_view name);

// Checks a whole header before anything is written: at least the two
// libraries, under their own names, and every other entry a plain file name.
// Nothing when it is fit to extract; otherwise the message to show, naming
// the entry.
std::optional<std::u16string> CheckPackageEntries(const PackageHeader& header);

}  // namespace pf::agent
