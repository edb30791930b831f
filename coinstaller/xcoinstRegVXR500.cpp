// The registration-wait co-installer library.

#include "coinstaller/CoInstallerDll.h"
#include "coinstaller/RegWaitCoInstaller.h"

namespace {
coinst::CRegWaitCoInstaller installer(DllPlatform());
}

extern "C" DWORD WINAPI OrvikVXCoInstaller(DI_FUNCTION request, HDEVINFO set, PSP_DEVINFO_DATA device,
                                           PCOINSTALLER_CONTEXT_DATA context) noexcept {
  return installer.Handle(request, set, device, context);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void* reserved) {
  // Only a host that unloads us (reserved not set) is left a mutex to let go;
  // at process exit the system abandons it for the waiting set-up.
  if (reason == DLL_PROCESS_DETACH && !reserved) installer.OnUnload();
  return TRUE;
}
