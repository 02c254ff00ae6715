// How the build calls the client library's exports "Decompress" and
// "DecompressEx" (client7z/client7z.h has their contract): their strings
// are UTF-16, on Windows wchar_t, natively (the test stand-in) char16_t.
#pragma once
#include <string>

namespace pf {

#ifdef _WIN32
using ClientChar = wchar_t;
#else
using ClientChar = char16_t;
#endif
static_assert(sizeof(ClientChar) == sizeof(char16_t));
using DecompressFunction = int (*)(int, const ClientChar* const*, const ClientChar* const*, int);

// "DecompressEx"'s options (struct Client7zOptions of client7z/client7z.h),
// with the strings as the build holds them.
using ClientProgress = int (*)(void* context, unsigned long long done, unsigned long long total);
struct ClientOptions {
  unsigned size = sizeof(ClientOptions);
  ClientProgress progress = nullptr;
  void* context = nullptr;
  const ClientChar* password = nullptr;
};
using DecompressExFunction = int (*)(int, const ClientChar* const*, const ClientChar* const*, int,
                                     const ClientOptions*);

inline const ClientChar* ClientText(const char16_t* s) {
  return reinterpret_cast<const ClientChar*>(s);
}
inline const ClientChar* ClientText(const std::u16string& s) {
  return ClientText(s.c_str());
}

}  // namespace pf
