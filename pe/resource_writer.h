// Writes a PE image afresh with a new resource tree: the resource section
// is rebuilt, sections that can move follow it, and every header field that
// depends on the layout is recomputed.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pe/resource_tree.h"

namespace pf::pe {

struct RewrittenImage {
  std::optional<std::vector<std::uint8_t>> file;
  std::string error;
};
// `resources` in any order (SortResources is applied). A signature (the
// certificate table) is dropped: it could not be valid for the new bytes.
RewrittenImage ReplaceResources(std::span<const std::uint8_t> file,
                                std::vector<Resource> resources);

}  // namespace pf::pe
