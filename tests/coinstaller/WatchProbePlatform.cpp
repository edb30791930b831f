// xcoinstVXR500 built on the fake platform, for what only a library that is
// loaded and unloaded shows: a watcher still running when the host unloads
// it. Its served device has no queue yet, so the first pass starts the
// watcher, which hears of no change and stops by itself after a short while.

#include "coinstaller/CoInstallerDll.h"
#include "tests/coinstaller/FakePlatform.h"

namespace {

struct CProbe {
  CProbe() {
    device = platform.AddDevice(fake::MultiText({L"USBPRINT\\ORVIKVX-R500E6D2"}));
    platform.PutValue(fake::kDriverKey, L"PCS", fake::Dword(5));
  }
  fake::CFakePlatform platform;
  PSP_DEVINFO_DATA device;
};

// A plain global: a function's static would cost handles that its guard
// never gives back, and this library is there to count handles.
CProbe probe;

CProbe& Probe() { return probe; }

}  // namespace

coinst::ICoInstallerPlatform& DllPlatform() { return Probe().platform; }

coinst::PortQueueTimings DllPortQueueTimings() { return {300, 3000, 500}; }

extern "C" __declspec(dllexport) HDEVINFO ProbeSet() { return Probe().platform.Set(); }
extern "C" __declspec(dllexport) PSP_DEVINFO_DATA ProbeDevice() { return Probe().device; }
extern "C" __declspec(dllexport) DWORD ProbePcs() {
  return Probe().platform.GetDword(fake::kDriverKey, L"PCS").value_or(0xFFFFFFFF);
}
