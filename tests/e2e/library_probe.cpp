// Loads each library named on its command line by its bare name, with the
// ordinary search order (the program's own folder first). Placed beside
// planted libraries it shows that they and a test's loader settings work,
// so that a run that leaves no marker means something.
#include <windows.h>

#include <vector>

#include "platform/win32/unique_handle.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<pf::win::unique_hmodule> loaded;
  int missing = 0;
  for (int i = 1; i < argc; ++i) {
    loaded.emplace_back(LoadLibraryW(argv[i]));
    if (!loaded.back()) ++missing;
  }
  return missing;
}
