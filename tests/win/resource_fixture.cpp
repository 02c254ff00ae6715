// A program whose resource section is not its last: the test stamps it and
// starts it, and it looks up its own resources the way any program does.
// The exit code counts the lookups that failed.
#include <windows.h>

#include <cwchar>
#include <initializer_list>

int wmain(int argc, wchar_t** argv) {
  int missing = 0;
  for (const wchar_t* name : {L"ALPHA", L"ZETA"})
    if (!FindResourceW(nullptr, name, RT_RCDATA)) ++missing;
  if (!FindResourceW(nullptr, MAKEINTRESOURCEW(7), RT_RCDATA)) ++missing;
  if (argc > 1 && std::wcscmp(argv[1], L"icon") == 0 &&
      !FindResourceW(nullptr, L"MAINICON", RT_GROUP_ICON))
    ++missing;
  return missing;
}
