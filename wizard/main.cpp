// Packforge.exe: the wizard. It takes no arguments.
#include <windows.h>

#include "wizard/packforge_app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return pf::theApp.Run();
}
