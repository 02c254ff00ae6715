#include "pe/resource_tree.h"

#include <algorithm>
#include <set>

#include "pe/byte_io.h"
#include "platform/name_case.h"

namespace pf::pe {
namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;

struct TreeReader {
  std::span<const std::uint8_t> file;
  const Image& image;
  std::span<const std::uint8_t> section;  // the resource section's raw bytes
  std::uint32_t directoryStart = 0;       // the root's offset in `section`
  std::set<std::uint32_t> seen;           // directories already read
  std::vector<Resource> out;
  std::string error;

  bool Fail(std::string why) {
    error = std::move(why);
    return false;
  }

  bool EntryName(std::uint32_t field, ResourceName& name) {
    if (!(field & kHighBit)) {
      if (field > 0xFFFF) return Fail("resource id beyond 16 bits");
      name = static_cast<std::uint16_t>(field);
      return true;
    }
    std::uint64_t at = std::uint64_t{directoryStart} + (field & ~kHighBit);
    if (!Fits(at, 2, section.size())) return Fail("resource name outside the section");
    std::uint16_t length = Get16(section, at);
    if (!Fits(at + 2, 2ull * length, section.size()))
      return Fail("resource name outside the section");
    std::u16string text(length, u'\0');
    for (std::uint16_t i = 0; i < length; ++i) text[i] = Get16(section, at + 2 + 2 * i);
    name = std::move(text);
    return true;
  }

  // Level 0 lists types, 1 names, 2 languages; only a language points at
  // data. A directory reached twice is a loop (or a shared subtree, which
  // no writer makes) and refused, so reading ends on any input.
  bool Directory(std::uint32_t offset, int level, Resource& path) {
    std::uint64_t at = std::uint64_t{directoryStart} + offset;
    if (!Fits(at, 16, section.size())) return Fail("resource directory outside the section");
    if (!seen.insert(static_cast<std::uint32_t>(at)).second)
      return Fail("loop in the resource directory");
    std::uint32_t count = std::uint32_t{Get16(section, at + 12)} + Get16(section, at + 14);
    if (!Fits(at + 16, 8ull * count, section.size()))
      return Fail("resource directory outside the section");
    for (std::uint32_t i = 0; i < count; ++i) {
      std::uint32_t nameField = Get32(section, at + 16 + 8 * i);
      std::uint32_t target = Get32(section, at + 20 + 8 * i);
      ResourceName name;
      if (!EntryName(nameField, name)) return false;
      if (level < 2) {
        if (!(target & kHighBit)) return Fail("resource data where a directory belongs");
        (level == 0 ? path.type : path.name) = std::move(name);
        if (!Directory(target & ~kHighBit, level + 1, path)) return false;
        continue;
      }
      if (target & kHighBit) return Fail("resource directory nested too deep");
      if (!std::holds_alternative<std::uint16_t>(name)) return Fail("named resource language");
      path.language = std::get<std::uint16_t>(name);
      if (!Data(target, path)) return false;
    }
    return true;
  }

  bool Data(std::uint32_t offset, Resource& path) {
    std::uint64_t at = std::uint64_t{directoryStart} + offset;
    if (!Fits(at, 16, section.size())) return Fail("resource data entry outside the section");
    std::uint32_t rva = Get32(section, at), size = Get32(section, at + 4);
    auto where = image.FileOffset(rva, size);
    if (!where) return Fail("resource data outside the file");
    Resource r{path.type, path.name, path.language, Get32(section, at + 8), {}};
    r.data.assign(file.begin() + *where, file.begin() + *where + size);
    out.push_back(std::move(r));
    return true;
  }
};

std::u16string Folded(const std::u16string& s) {
  std::u16string f(s);
  for (auto& c : f) c = UpcaseForNames(c);
  return f;
}

void AlignBuffer(std::vector<std::uint8_t>& b, std::size_t alignment) {
  b.resize(AlignUp(b.size(), static_cast<std::uint32_t>(alignment)), 0);
}

}  // namespace

ResourceList ReadResources(std::span<const std::uint8_t> file, const Image& image) {
  if (image.directories.size() <= kResourceDirectory ||
      image.directories[kResourceDirectory].rva == 0)
    return {std::vector<Resource>{}, {}};
  std::uint32_t rva = image.directories[kResourceDirectory].rva;
  const Section* s = image.SectionAt(rva);
  if (!s) return {std::nullopt, "resource directory outside every section"};
  auto raw = s->rawSize ? file.subspan(s->rawPointer, s->rawSize) : std::span<const std::uint8_t>();
  TreeReader reader{file, image, raw, rva - s->virtualAddress, {}, {}, {}};
  Resource path;
  if (!reader.Directory(0, 0, path)) return {std::nullopt, reader.error};
  return {std::move(reader.out), {}};
}

bool NameBefore(const ResourceName& a, const ResourceName& b) {
  const auto* ta = std::get_if<std::u16string>(&a);
  const auto* tb = std::get_if<std::u16string>(&b);
  if (ta && tb) {
    auto fa = Folded(*ta), fb = Folded(*tb);
    return fa != fb ? fa < fb : *ta < *tb;
  }
  if (ta || tb) return ta != nullptr;
  return std::get<std::uint16_t>(a) < std::get<std::uint16_t>(b);
}

void SortResources(std::vector<Resource>& resources) {
  auto before = [](const Resource& a, const Resource& b) {
    if (NameBefore(a.type, b.type)) return true;
    if (NameBefore(b.type, a.type)) return false;
    if (NameBefore(a.name, b.name)) return true;
    if (NameBefore(b.name, a.name)) return false;
    return a.language < b.language;
  };
  std::stable_sort(resources.begin(), resources.end(), before);
  // Of equal keys the last one given wins.
  std::vector<Resource> unique;
  for (auto& r : resources) {
    if (!unique.empty() && !before(unique.back(), r) && !before(r, unique.back()))
      unique.back() = std::move(r);
    else
      unique.push_back(std::move(r));
  }
  resources = std::move(unique);
}

// Laid out as Windows' own writer lays it out: every directory table
// (root, then each type's, then each name's), the data entries, the name
// strings, then the data, each piece aligned to 8. Time stamps are 0 so the
// same resources always give the same bytes.
std::vector<std::uint8_t> BuildResourceSection(const std::vector<Resource>& resources,
                                               std::uint32_t sectionRva) {
  struct NameGroup {
    std::size_t first = 0, count = 0;  // languages: resources[first, first + count)
  };
  struct TypeGroup {
    std::vector<NameGroup> names;
  };
  std::vector<TypeGroup> types;
  for (std::size_t i = 0; i < resources.size(); ++i) {
    bool newType = i == 0 || resources[i].type != resources[i - 1].type;
    if (newType) types.push_back({});
    if (newType || resources[i].name != resources[i - 1].name) types.back().names.push_back({i, 0});
    types.back().names.back().count++;
  }
  auto table = [](std::size_t entries) { return 16 + 8 * entries; };
  std::size_t size = table(types.size());
  for (const auto& t : types) size += table(t.names.size());
  for (const auto& t : types)
    for (const auto& n : t.names) size += table(n.count);
  const std::size_t entriesAt = size;
  std::size_t stringsAt = entriesAt + 16 * resources.size();

  std::vector<std::uint8_t> out(stringsAt, 0);
  auto stringOffset = [&](const std::u16string& s) {
    AlignBuffer(out, 2);
    std::uint32_t at = static_cast<std::uint32_t>(out.size());
    out.resize(out.size() + 2 + 2 * s.size());
    Put16(out, at, static_cast<std::uint16_t>(s.size()));
    for (std::size_t i = 0; i < s.size(); ++i) Put16(out, at + 2 + 2 * i, s[i]);
    return at;
  };
  auto writeHeader = [&](std::size_t at, const std::vector<ResourceName>& names) {
    std::uint16_t named = 0;
    for (const auto& n : names) named += std::holds_alternative<std::u16string>(n) ? 1 : 0;
    Put16(out, at + 12, named);
    Put16(out, at + 14, static_cast<std::uint16_t>(names.size() - named));
  };
  auto nameField = [&](const ResourceName& n) -> std::uint32_t {
    if (const auto* id = std::get_if<std::uint16_t>(&n)) return *id;
    return kHighBit | stringOffset(std::get<std::u16string>(n));
  };

  std::size_t nextTable = table(types.size());
  std::vector<ResourceName> typeNames;
  for (const auto& t : types) typeNames.push_back(resources[t.names.front().first].type);
  writeHeader(0, typeNames);
  // Name tables follow the root; language tables follow all name tables.
  std::size_t languageTable = nextTable;
  for (const auto& t : types) languageTable += table(t.names.size());
  for (std::size_t ti = 0; ti < types.size(); ++ti) {
    const auto& t = types[ti];
    std::size_t nameTable = nextTable;
    nextTable += table(t.names.size());
    Put32(out, 16 + 8 * ti, nameField(typeNames[ti]));
    Put32(out, 20 + 8 * ti, kHighBit | static_cast<std::uint32_t>(nameTable));
    std::vector<ResourceName> names;
    for (const auto& n : t.names) names.push_back(resources[n.first].name);
    writeHeader(nameTable, names);
    for (std::size_t ni = 0; ni < t.names.size(); ++ni) {
      const auto& n = t.names[ni];
      Put32(out, nameTable + 16 + 8 * ni, nameField(names[ni]));
      Put32(out, nameTable + 20 + 8 * ni, kHighBit | static_cast<std::uint32_t>(languageTable));
      Put16(out, languageTable + 14, static_cast<std::uint16_t>(n.count));
      for (std::size_t li = 0; li < n.count; ++li) {
        Put32(out, languageTable + 16 + 8 * li, resources[n.first + li].language);
        Put32(out, languageTable + 20 + 8 * li,
              static_cast<std::uint32_t>(entriesAt + 16 * (n.first + li)));
      }
      languageTable += table(n.count);
    }
  }
  for (std::size_t i = 0; i < resources.size(); ++i) {
    AlignBuffer(out, 8);
    std::uint32_t at = static_cast<std::uint32_t>(out.size());
    const auto& data = resources[i].data;
    out.insert(out.end(), data.begin(), data.end());
    std::size_t e = entriesAt + 16 * i;
    Put32(out, e, sectionRva + at);
    Put32(out, e + 4, static_cast<std::uint32_t>(data.size()));
    Put32(out, e + 8, resources[i].codePage);
  }
  return out;
}

}  // namespace pf::pe
