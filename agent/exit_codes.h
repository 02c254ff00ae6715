// The agent's exit codes, for deployment scripts (see agent/README.md).
#pragma once

namespace pf::agent {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitDamaged = 2;       // not an intact package, or a hostile entry
inline constexpr int kExitPassword = 3;      // wrong password, or none given to /S
inline constexpr int kExitCancelled = 4;     // the user cancelled
inline constexpr int kExitCannotWrite = 5;   // the target or temporary folder cannot be written
inline constexpr int kExitBadArguments = 6;  // an unknown or malformed switch
inline constexpr int kExitRunFailed = 7;     // extracted, but the run entry could not start
inline constexpr int kExitUnsafeSystem =
    8;  // library loading cannot be confined to the system folder

}  // namespace pf::agent
