// Path rules of the client: bare names for packing and the check every archive entry passes before
// extraction.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace client7z {

// The text after the last "\" or "/".
std::wstring BareName(std::wstring_view path);

// The folder part of a path (without the last separator), empty if none.
std::wstring FolderOf(std::wstring_view path);

// An archive entry's path as a relative path with "\" separators, or
// nothing when it is absolute, names a drive or stream (any ":"), climbs
// with "..", or has no name at all. "." and empty elements are dropped.
std::optional<std::wstring> SafeEntryPath(std::wstring_view entryPath);

// A decimal number of digits only that fits in 64 bits; nothing otherwise.
std::optional<std::uint64_t> ParseDecimal(std::wstring_view text);

}  // namespace client7z
