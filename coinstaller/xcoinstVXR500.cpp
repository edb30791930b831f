// The port and queue co-installer library.

#include "coinstaller/CoInstallerDll.h"

namespace {
coinst::CPortQueueCoInstaller installer(DllPlatform(), DllPortQueueTimings());
}

extern "C" DWORD WINAPI OrvikVXCoInstaller(DI_FUNCTION request, HDEVINFO set, PSP_DEVINFO_DATA device,
                                           PCOINSTALLER_CONTEXT_DATA context) noexcept {
  return installer.Handle(request, set, device, context);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void* reserved) {
  // At process exit (reserved set) other threads are gone mid-way and the
  // registry is no place to go; a host that unloads us gets its changes back.
  if (reason == DLL_PROCESS_DETACH && !reserved) installer.OnUnload();
  return TRUE;
}
