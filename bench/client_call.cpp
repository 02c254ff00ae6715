// One call of Client7z.dll for the progress bench: through "Decompress", or
// through "DecompressEx" with a callback that does what a front end does
// with each report (keeps the numbers), so the two can be timed alike.
//
// usage: client_call.exe CLIENT_DLL plain|callback COMMAND ARCHIVE [FILE...]
// Prints the client's result and, with a callback, how often it was called.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "client7z/client7z.h"
#include "platform/win32/unique_handle.h"

namespace {

struct Seen {
  unsigned long long calls = 0, done = 0, total = 0;
};

int Count(void* context, unsigned long long done, unsigned long long total) {
  auto* seen = static_cast<Seen*>(context);
  ++seen->calls;
  seen->done = done;
  seen->total = total;
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 5) {
    std::fprintf(stderr,
                 "usage: client_call CLIENT_DLL plain|callback COMMAND ARCHIVE [FILE...]\n");
    return 2;
  }
  pf::win::unique_hmodule client(LoadLibraryW(argv[1]));
  if (!client) {
    std::fprintf(stderr, "client_call: cannot load the client (%lu)\n", GetLastError());
    return 2;
  }
  using Plain = int (*)(int, const wchar_t* const*, const wchar_t* const*, int);
  using WithOptions =
      int (*)(int, const wchar_t* const*, const wchar_t* const*, int, const Client7zOptions*);
  auto plain =
      reinterpret_cast<Plain>(reinterpret_cast<void*>(GetProcAddress(client.get(), "Decompress")));
  auto ex = reinterpret_cast<WithOptions>(
      reinterpret_cast<void*>(GetProcAddress(client.get(), "DecompressEx")));
  if (!plain || !ex) return 2;
  const wchar_t* call[] = {argv[1], argv[3], argv[4]};
  std::vector<const wchar_t*> files(argv + 5, argv + argc);
  int count = static_cast<int>(files.size());
  Seen seen;
  int result;
  if (wcscmp(argv[2], L"callback") == 0) {
    Client7zOptions options{sizeof(Client7zOptions), &Count, &seen, nullptr};
    result = ex(3, call, files.data(), count, &options);
  } else {
    result = plain(3, call, files.data(), count);
  }
  std::printf("result %d calls %llu done %llu total %llu\n", result, seen.calls, seen.done,
              seen.total);
  return result == 0 ? 0 : 1;
}
