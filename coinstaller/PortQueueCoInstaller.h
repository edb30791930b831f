#pragma once
// xcoinstVXR500: keeps a plug-and-play installation of the printer from
// leaving a second queue beside the maker's, and clears the driver's "PCS"
// setting while the installation runs.

#include <memory>
#include <mutex>

#include "win/SlimLock.h"
#include <optional>
#include <string>

#include "coinstaller/CoInstallerPlatform.h"

namespace coinst {

struct PortQueueTimings {
  // How long the end of the wizard gives the watcher to see the new queue.
  DWORD watcherGraceMs = 10000;
  // How long a watcher told to stop may take; one stuck in a spooler call is
  // left to end on its own rather than hang the installer.
  DWORD watcherStopMs = 30000;
  // A watcher whose installation never finishes (the host unloaded the
  // library without the wizard's end) stops by itself after this long.
  DWORD watchLimitMs = 5 * 60 * 1000;
};

class CPortQueueCoInstaller {
public:
  explicit CPortQueueCoInstaller(ICoInstallerPlatform& platform, PortQueueTimings timings = {});
  ~CPortQueueCoInstaller();
  CPortQueueCoInstaller(const CPortQueueCoInstaller&) = delete;
  CPortQueueCoInstaller& operator=(const CPortQueueCoInstaller&) = delete;

  // The co-installer entry point's work.
  DWORD Handle(DI_FUNCTION request, HDEVINFO set, PSP_DEVINFO_DATA device,
               PCOINSTALLER_CONTEXT_DATA context) noexcept;

  // The watcher's shared state; public for the thread body only.
  struct CWatch;

private:
  DWORD InstallFirstPass(HDEVINFO set, PSP_DEVINFO_DATA device);
  DWORD InstallSecondPass(PCOINSTALLER_CONTEXT_DATA context);
  DWORD FinishInstall();
  void PutBackPending();

  void SavePcsAndClear();
  void RestorePcs();
  bool WritePcs(uint32_t value);
  std::optional<std::wstring> ExistingQueuePort(HDEVINFO set, PSP_DEVINFO_DATA device);
  bool SubstitutePort(HDEVINFO set, PSP_DEVINFO_DATA device, const std::wstring& port);
  void RestorePort();
  void StartWatcher();
  std::wstring EndWatcher();
  void DeleteQueue(const std::wstring& name);

  ICoInstallerPlatform& platform_;
  const PortQueueTimings timings_;
  CSlimLock lock_;  // one installer request at a time

  uint32_t savedPcs_ = 0;  // 0: nothing to restore
  CPlatformKey deviceKey_;
  struct SavedText {
    std::wstring text;
    DWORD type = REG_SZ;
  };
  std::optional<SavedText> savedPortName_;
  std::shared_ptr<CWatch> watch_;
  CPlatformHandle watcherThread_;
};

}  // namespace coinst
