// Conversions at the edge between the core's UTF-16 text and the platform's.
#pragma once
#include <string>
#include <string_view>

namespace pf {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// wchar_t is 16 bits on Windows and 32 bits elsewhere.
std::wstring ToWide(std::u16string_view text);
std::u16string FromWide(std::wstring_view text);

}  // namespace pf
