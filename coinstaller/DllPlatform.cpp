#include <type_traits>

#include "coinstaller/CoInstallerDll.h"

namespace {
// Constant-initialised and never destroyed, so it is there for the
// installer object whatever order the statics go in. Not a function's
// static: a guarded static costs a mutex and a condition that are never
// closed, two handles every time the installer loads and unloads the library.
constinit coinst::CWin32Platform platform;
static_assert(std::is_trivially_destructible_v<coinst::CWin32Platform>);
}  // namespace

coinst::ICoInstallerPlatform& DllPlatform() { return platform; }

coinst::PortQueueTimings DllPortQueueTimings() { return {}; }
