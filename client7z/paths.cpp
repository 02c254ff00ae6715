#include "client7z/paths.h"

#include <vector>

namespace client7z {
namespace {

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

}  // namespace

std::wstring BareName(std::wstring_view path) {
  auto cut = path.find_last_of(L"\\/");
  return std::wstring(cut == std::wstring_view::npos ? path : path.substr(cut + 1));
}

std::wstring FolderOf(std::wstring_view path) {
  auto cut = path.find_last_of(L"\\/");
  return cut == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, cut));
}

std::optional<std::wstring> SafeEntryPath(std::wstring_view entryPath) {
  if (entryPath.empty() || IsSeparator(entryPath.front())) return std::nullopt;
  if (entryPath.find(L':') != std::wstring_view::npos) return std::nullopt;
  std::vector<std::wstring_view> parts;
  std::size_t start = 0;
  while (start <= entryPath.size()) {
    std::size_t end = start;
    while (end < entryPath.size() && !IsSeparator(entryPath[end])) ++end;
    std::wstring_view part = entryPath.substr(start, end - start);
    if (!part.empty() && part != L".") {
      // Windows drops trailing dots and blanks from a name, so "..." and
      // ".. " would climb as well: a name of nothing else is refused.
      if (part.find_first_not_of(L". ") == std::wstring_view::npos) return std::nullopt;
      parts.push_back(part);
    }
    start = end + 1;
  }
  if (parts.empty()) return std::nullopt;
  std::wstring out;
  for (auto p : parts) {
    if (!out.empty()) out += L'\\';
    out += p;
  }
  return out;
}

std::optional<std::uint64_t> ParseDecimal(std::wstring_view text) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  std::uint64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    auto digit = static_cast<std::uint64_t>(c - L'0');
    if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace client7z
