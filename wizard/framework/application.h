// The program's application object: wWinMain runs its start-up routine.
#pragma once
#include <windows.h>

namespace pf::ui {

class Application {
 public:
  Application() = default;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;
  virtual ~Application() = default;

  // Runs the start-up routine; the program's exit code. A start-up that
  // returns false ends the program without a message loop.
  int Run();

 protected:
  virtual bool InitInstance() = 0;
};

}  // namespace pf::ui
