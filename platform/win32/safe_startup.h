// The programs' own entry points: they restrict where the process loads
// libraries from before the C runtime or any of our code runs.
#pragma once

namespace pf::win {

// True when the entry point confined library loading to the system folder.
// A program that finds it false must not go on: it is running on a Windows
// that cannot do this, or it was linked without the entry point.
bool DllSearchRestricted();

}  // namespace pf::win
