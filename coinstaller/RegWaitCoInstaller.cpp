#include "coinstaller/RegWaitCoInstaller.h"

#include <string>

#include "coinstaller/CoInstallerRules.h"
#include "coinstaller/PlatformReads.h"

namespace coinst {

CRegWaitCoInstaller::CRegWaitCoInstaller(ICoInstallerPlatform& platform)
    : platform_(platform), mutex_(nullptr, {&platform}) {}

DWORD CRegWaitCoInstaller::Handle(DI_FUNCTION request, HDEVINFO set, PSP_DEVINFO_DATA device,
                                  PCOINSTALLER_CONTEXT_DATA context) noexcept {
  try {
    std::scoped_lock guard(lock_);
    const bool postProcessing = context && context->PostProcessing;
    if (request == DIF_INSTALLDEVICE && context && !postProcessing) Take(set, device);
    // The set-up also goes free when the host is done with the device set
    // without the wizard's end.
    if ((request == DIF_NEWDEVICEWIZARD_FINISHINSTALL || request == DIF_DESTROYPRIVATEDATA) && !postProcessing)
      Release();
  } catch (...) {
  }
  return NO_ERROR;
}

void CRegWaitCoInstaller::OnUnload() noexcept {
  // Called under the loader lock: only the kernel's handle calls, and no
  // wait for a request that may still be running on another thread.
  if (!lock_.try_lock()) return;
  std::scoped_lock guard(std::adopt_lock, lock_);
  Release();
}

void CRegWaitCoInstaller::Take(HDEVINFO set, PSP_DEVINFO_DATA device) {
  // Taken once per installation: a second take on this thread would need a
  // second release the wizard's end never makes, and a second handle would
  // leak the first.
  if (mutex_ || !IsServedDevice(platform_, set, device)) return;
  mutex_.reset(platform_.OpenNamedMutex(std::wstring(kCreateFinishMutex).c_str()));
  if (!mutex_) return;
  // Held by someone else: the set-up sees it released whenever they let go.
  const DWORD taken = platform_.WaitForOne(mutex_.get(), 0);
  owned_ = taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED;
}

void CRegWaitCoInstaller::Release() {
  if (!mutex_) return;
  if (owned_) platform_.ReleaseMutex(mutex_.get());
  owned_ = false;
  mutex_.reset();
}

}  // namespace coinst
