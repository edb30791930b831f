#include "coinstaller/CoInstallerDll.h"

coinst::ICoInstallerPlatform& DllPlatform() {
  static coinst::CWin32Platform platform;
  return platform;
}

coinst::PortQueueTimings DllPortQueueTimings() { return {}; }
