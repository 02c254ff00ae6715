#include "agent/entry_names.h"

#include <array>

#include "engine/package_names.h"

namespace pf::agent {
namespace {

char16_t Upper(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool SameLetters(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

// Device names are reserved whatever extension follows ("NUL.txt" is the
// device too), and trailing blanks before the extension do not help.
bool IsDeviceName(std::u16string_view name) {
  std::u16string_view base = name.substr(0, name.find(u'.'));
  while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
  static constexpr std::array<std::u16string_view, 6> kFixed = {u"CON", u"PRN",    u"AUX",
                                                                u"NUL", u"CONIN$", u"CONOUT$"};
  for (auto d : kFixed)
    if (SameLetters(base, d)) return true;
  if (base.size() == 4 &&
      (SameLetters(base.substr(0, 3), u"COM") || SameLetters(base.substr(0, 3), u"LPT"))) {
    char16_t n = base[3];
    // Windows also reserves the superscript digits 1, 2 and 3.
    return (n >= u'1' && n <= u'9') || n == u'\u00B9' || n == u'\u00B2' || n == u'\u00B3';
  }
  return false;
}

}  // namespace

std::optional<std::u16string> EntryNameProblem(std::u16string_view name) {
  if (name.empty()) return u"has no name";
  if (name == u"." || name == u"..") return u"climbs out of the folder";
  for (char16_t c : name) {
    if (c == u'\\' || c == u'/') return u"holds a folder separator";
    if (c == u':') return u"names a drive or a stream";
    if (c < 0x20 || c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u'?' || c == u'*')
      return u"holds a character a file name cannot";
  }
  // Windows drops trailing dots and blanks, so "a." would become "a".
  if (name.back() == u'.' || name.back() == u' ') return u"ends with a dot or a blank";
  if (IsDeviceName(name)) return u"is a reserved device name";
  return std::nullopt;
}

std::optional<std::u16string> CheckPackageEntries(const PackageHeader& header) {
  const auto& e = header.entries;
  if (e.size() < 2 || !SameLetters(e[0].name, kCodecLibraryName) ||
      !SameLetters(e[1].name, kClientLibraryName))
    return u"The package is damaged: its extraction libraries are missing.";
  for (std::size_t i = 2; i < e.size(); ++i) {
    if (auto why = EntryNameProblem(e[i].name))
      return u"The package is damaged: the entry \"" + e[i].name + u"\" " + *why + u".";
  }
  return std::nullopt;
}

}  // namespace pf::agent
