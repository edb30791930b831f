#pragma once
// xcoinstRegVXR500: holds the driver set-up's named mutex from the start of
// a served device's installation to the wizard's end, so the set-up can
// tell when plug and play has finished creating the printer.

#include <mutex>

#include "win/SlimLock.h"

#include "coinstaller/CoInstallerPlatform.h"

namespace coinst {

class CRegWaitCoInstaller {
public:
  explicit CRegWaitCoInstaller(ICoInstallerPlatform& platform);
  ~CRegWaitCoInstaller() = default;
  CRegWaitCoInstaller(const CRegWaitCoInstaller&) = delete;
  CRegWaitCoInstaller& operator=(const CRegWaitCoInstaller&) = delete;

  // The co-installer entry point's work; always NO_ERROR.
  DWORD Handle(DI_FUNCTION request, HDEVINFO set, PSP_DEVINFO_DATA device,
               PCOINSTALLER_CONTEXT_DATA context) noexcept;
  // The host unloads the library before the wizard's end: the set-up must
  // not wait for a release that can no longer come. Safe under the loader
  // lock (a mutex release and a handle close, nothing more).
  void OnUnload() noexcept;

private:
  void Take(HDEVINFO set, PSP_DEVINFO_DATA device);
  void Release();

  ICoInstallerPlatform& platform_;
  CSlimLock lock_;
  CPlatformHandle mutex_;
  bool owned_ = false;
};

}  // namespace coinst
