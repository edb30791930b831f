// The port and queue co-installer library.

#include "coinstaller/CoInstallerDll.h"

namespace {
coinst::CPortQueueCoInstaller installer(DllPlatform(), DllPortQueueTimings());
}

extern "C" DWORD WINAPI OrvikVXCoInstaller(DI_FUNCTION request, HDEVINFO set, PSP_DEVINFO_DATA device,
                                           PCOINSTALLER_CONTEXT_DATA context) noexcept {
  return installer.Handle(request, set, device, context);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*) {
  // Nothing is put back from here: the registry is no place to go under the
  // loader lock. What an installation changed goes back at the wizard's end
  // or when the host destroys the device set, both ordinary requests.
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(module);
  return TRUE;
}
