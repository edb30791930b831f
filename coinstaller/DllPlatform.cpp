#include "coinstaller/CoInstallerDll.h"

namespace {
// Constant-initialised, not a function's static: a guarded static costs a
// mutex and a condition that are never closed, two handles every time the
// installer loads and unloads the library.
constinit coinst::CWin32Platform platform;
}  // namespace

coinst::ICoInstallerPlatform& DllPlatform() { return platform; }

coinst::PortQueueTimings DllPortQueueTimings() { return {}; }
