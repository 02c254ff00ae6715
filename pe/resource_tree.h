// The resource tree of a PE image (type / name / language), read from and
// written as the bytes of a resource section.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "pe/pe_image.h"

namespace pf::pe {

using ResourceName = std::variant<std::uint16_t, std::u16string>;

struct Resource {
  ResourceName type, name;
  std::uint16_t language = 0;
  std::uint32_t codePage = 0;
  std::vector<std::uint8_t> data;
};

struct ResourceList {
  std::optional<std::vector<Resource>> resources;
  std::string error;
};
// Every resource of `image`, in directory order; an image without a
// resource directory has none.
ResourceList ReadResources(std::span<const std::uint8_t> file, const Image& image);

// The order the loader's binary search expects at each level: named entries
// first, by name without regard to case, then numbered ones ascending.
bool NameBefore(const ResourceName& a, const ResourceName& b);
// Sorts into directory order; a later resource replaces an earlier one of
// the same type, name and language.
void SortResources(std::vector<Resource>& resources);

// The bytes of a resource section at `sectionRva` holding `resources` (in
// directory order, as SortResources leaves them).
std::vector<std::uint8_t> BuildResourceSection(const std::vector<Resource>& resources,
                                               std::uint32_t sectionRva);

}  // namespace pf::pe
