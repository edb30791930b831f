#pragma once
// Complete installations through xcoinstVXR500's logic with the fake
// platform: every run ends with the fake's keys, printers and notifications
// given back and the process's handle and thread counts where they began.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "coinstaller/PortQueueCoInstaller.h"
#include "tests/coinstaller/FakePlatform.h"
#include "tests/support/ResourceCounts.h"

namespace coinst_test {

using coinst::CPortQueueCoInstaller;
using fake::CFakePlatform;
using fake::Dword;
using fake::kDriverKey;
using fake::MultiText;
using fake::Printer;
using fake::Text;

inline const std::wstring kDriver = L"ORVIK VX-R500 Receipt5";
inline const std::wstring kServedId = L"USBPRINT\\ORVIKVX-R500E6D2";
inline constexpr DWORD kPostProcessing = ERROR_DI_POSTPROCESSING_REQUIRED;

class PortQueue : public testing::Test {
protected:
  // Short waits: a watcher that finds nothing costs the whole grace time.
  static coinst::PortQueueTimings Quick() { return {300, 3000, 20000}; }

  void TearDown() override {
    installer_.reset();
    EXPECT_EQ(platform_.Leaks(), "");
    EXPECT_EQ(baseline_.Check(), "");
  }

  CPortQueueCoInstaller& Installer(coinst::PortQueueTimings timings = Quick()) {
    if (!installer_) installer_ = std::make_unique<CPortQueueCoInstaller>(platform_, timings);
    return *installer_;
  }

  // A served device with a port name, and "PCS" of 5.
  PSP_DEVINFO_DATA ServedDevice() {
    PSP_DEVINFO_DATA device = platform_.AddDevice(MultiText({kServedId}));
    platform_.PutValue(CFakePlatform::DeviceKey(device), L"PortName", Text(L"USB001"));
    platform_.PutValue(kDriverKey, L"PCS", Dword(5));
    return device;
  }
  // ...whose driver also drives a queue on the maker's port.
  PSP_DEVINFO_DATA DeviceWithExistingQueue() {
    PSP_DEVINFO_DATA device = ServedDevice();
    platform_.SelectDriver(device, kDriver);
    platform_.AddPrinter({L"VX-R500 Receipt", kDriver, L"VXPORT1"});
    return device;
  }

  DWORD Call(DI_FUNCTION request, PSP_DEVINFO_DATA device, BOOL postProcessing, DWORD installResult = NO_ERROR) {
    COINSTALLER_CONTEXT_DATA context = {};
    context.PostProcessing = postProcessing;
    context.InstallResult = installResult;
    return Installer().Handle(request, platform_.Set(), device, &context);
  }
  DWORD FirstPass(PSP_DEVINFO_DATA device) { return Call(DIF_INSTALLDEVICE, device, FALSE); }
  DWORD SecondPass(PSP_DEVINFO_DATA device, DWORD installResult = NO_ERROR) {
    return Call(DIF_INSTALLDEVICE, device, TRUE, installResult);
  }
  DWORD Finish(PSP_DEVINFO_DATA device) { return Call(DIF_NEWDEVICEWIZARD_FINISHINSTALL, device, FALSE); }

  std::optional<std::wstring> PortName(PSP_DEVINFO_DATA device) {
    return platform_.GetText(CFakePlatform::DeviceKey(device), L"PortName");
  }
  std::optional<DWORD> Pcs() { return platform_.GetDword(kDriverKey, L"PCS"); }

  CFakePlatform platform_;
  gui::CResourceBaseline baseline_;
  std::unique_ptr<CPortQueueCoInstaller> installer_;
};

}  // namespace coinst_test
