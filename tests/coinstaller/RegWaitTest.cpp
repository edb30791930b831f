// Complete installations through xcoinstRegVXR500's logic: the set-up's
// mutex is held from the served device's first pass to the wizard's end,
// whoever else holds it, and no handle outlives the installation.

#include "coinstaller/RegWaitCoInstaller.h"

#include <gtest/gtest.h>

#include <ostream>

#include <atomic>
#include <memory>
#include <thread>

#include "coinstaller/CoInstallerRules.h"
#include "tests/coinstaller/FakePlatform.h"
#include "tests/support/GuiDriver.h"
#include "tests/support/ResourceCounts.h"
#include "win/Handles.h"

namespace {

using coinst::CRegWaitCoInstaller;
using fake::CFakePlatform;
using fake::MultiText;

const std::wstring kServedId = L"USBPRINT\\1284_CID_OrvikVX02003C5E";

using gui::MutexState;
// The set-up's mutex as a thread other than the installer's finds it; a
// mutex that is missing is neither held nor free.
MutexState StateOf(const std::wstring& name) { return gui::StateOfMutex(name); }

// Holds the mutex on a thread of its own until told to let go (or to end
// without letting go, which abandons it).
class COtherOwner {
public:
  explicit COtherOwner(const std::wstring& name) : release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    CHandle held(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    thread_ = std::thread([this, name, &held] {
      CHandle mutex(OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str()));
      WaitForSingleObject(mutex.get(), INFINITE);
      SetEvent(held.get());
      WaitForSingleObject(release_.get(), INFINITE);
      if (!abandon_) ReleaseMutex(mutex.get());
    });
    WaitForSingleObject(held.get(), 5000);
  }
  ~COtherOwner() { End(false); }
  void End(bool abandon) {
    if (!thread_.joinable()) return;
    abandon_ = abandon;
    SetEvent(release_.get());
    thread_.join();
  }

private:
  CHandle release_;
  std::atomic<bool> abandon_ = false;
  std::thread thread_;
};

class RegWait : public testing::Test {
protected:
  RegWait() : name_(L"VX coinst test mutex " + std::to_wstring(GetCurrentProcessId())) {
    platform_.RedirectMutex(name_);
  }
  void TearDown() override {
    installer_.reset();
    mutex_.reset();
    EXPECT_EQ(platform_.Leaks(), "");
    EXPECT_EQ(baseline_.Check(), "");
  }

  void CreateSetupMutex() { mutex_.reset(CreateMutexW(nullptr, FALSE, name_.c_str())); }
  DWORD Call(DI_FUNCTION request, PSP_DEVINFO_DATA device, BOOL postProcessing = FALSE) {
    COINSTALLER_CONTEXT_DATA context = {};
    context.PostProcessing = postProcessing;
    return installer_->Handle(request, platform_.Set(), device, &context);
  }
  DWORD FirstPass(PSP_DEVINFO_DATA device) { return Call(DIF_INSTALLDEVICE, device); }
  DWORD Finish(PSP_DEVINFO_DATA device) { return Call(DIF_NEWDEVICEWIZARD_FINISHINSTALL, device); }

  CFakePlatform platform_;
  gui::CResourceBaseline baseline_;
  std::wstring name_;
  CHandle mutex_;  // the set-up's, when it runs
  std::unique_ptr<CRegWaitCoInstaller> installer_ = std::make_unique<CRegWaitCoInstaller>(platform_);
};

TEST_F(RegWait, MutexIsHeldFromTheFirstPassToTheWizardEnd) {
  // catches: the set-up told the installation finished before it did, or
  // never told
  CreateSetupMutex();
  PSP_DEVINFO_DATA device = platform_.AddDevice(MultiText({kServedId}));
  EXPECT_EQ(StateOf(name_), MutexState::Free);
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(StateOf(name_), MutexState::Held);
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(StateOf(name_), MutexState::Free);
  EXPECT_TRUE(platform_.Logged("OpenMutex " + fake::Narrow(coinst::kCreateFinishMutex)));
}

using fake::ServedCase;

class RegWaitServed : public RegWait, public testing::WithParamInterface<ServedCase> {};

TEST_P(RegWaitServed, OnlyAServedDeviceTakesTheMutex) {
  const auto& c = GetParam();
  CreateSetupMutex();
  PSP_DEVINFO_DATA device = platform_.AddDevice(c.hardwareIds, c.compatibleIds);
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(StateOf(name_), c.served ? MutexState::Held : MutexState::Free) << c.fault;
  EXPECT_EQ(platform_.Count("OpenMutex"), c.served ? 1 : 0) << c.fault;
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(StateOf(name_), MutexState::Free) << c.fault;
}

INSTANTIATE_TEST_SUITE_P(
    Installation, RegWaitServed,
    testing::Values(ServedCase{"served hardware id missed", MultiText({kServedId}), std::nullopt, true},
                    ServedCase{"served compatible id missed", MultiText({L"X"}),
                               MultiText({L"USBPRINT\\ORVIKVX-R500-S/C7A1B"}), true},
                    ServedCase{"other device holds up the set-up", MultiText({L"USBPRINT\\Other"}),
                               MultiText({L"GENERIC"}), false},
                    ServedCase{"unreadable ids taken for a match", std::nullopt, std::nullopt, false}));

TEST_F(RegWait, WithoutTheSetUpNothingHappens) {
  // catches: a mutex created where none was, or a failure returned
  PSP_DEVINFO_DATA device = platform_.AddDevice(MultiText({kServedId}));
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  CHandle exists(OpenMutexW(SYNCHRONIZE, FALSE, name_.c_str()));
  EXPECT_FALSE(exists);
  EXPECT_EQ(platform_.Count("ReleaseMutex"), 0);
}

TEST_F(RegWait, MutexHeldBySomeoneElseIsNeitherWaitedForNorReleased) {
  // catches: the installation blocked on the set-up, or another's
  // ownership released
  CreateSetupMutex();
  COtherOwner other(name_);
  PSP_DEVINFO_DATA device = platform_.AddDevice(MultiText({kServedId}));
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_LT(GetTickCount64() - start, 5000u) << "the installation waited for the other owner";
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(platform_.Count("ReleaseMutex"), 0);
  EXPECT_EQ(StateOf(name_), MutexState::Held);  // still the other's
  other.End(false);
  EXPECT_EQ(StateOf(name_), MutexState::Free);
}

TEST_F(RegWait, AbandonedMutexIsTakenAndReleased) {
  // catches: an abandoned mutex (its owner died) counted as not taken and
  // so left owned by the installer's thread
  CreateSetupMutex();
  {
    COtherOwner other(name_);
    other.End(true);
  }
  // What the system keeps of the dead owner is not the installation's: the
  // counts that matter start here.
  baseline_ = gui::CResourceBaseline();
  PSP_DEVINFO_DATA device = platform_.AddDevice(MultiText({kServedId}));
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(StateOf(name_), MutexState::Held);
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(StateOf(name_), MutexState::Free);
}

TEST_F(RegWait, SecondWizardEndDoesNothing) {
  // catches: a handle closed twice or a release made for nobody
  CreateSetupMutex();
  PSP_DEVINFO_DATA device = platform_.AddDevice(MultiText({kServedId}));
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(platform_.Count("ReleaseMutex"), 1);
  EXPECT_EQ(StateOf(name_), MutexState::Free);
}

TEST_F(RegWait, SecondFirstPassTakesNothingMore) {
  // catches: a second handle that leaks the first, or a second ownership
  // that the one wizard end never gives back
  CreateSetupMutex();
  PSP_DEVINFO_DATA device = platform_.AddDevice(MultiText({kServedId}));
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(platform_.Count("OpenMutex"), 1);
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(StateOf(name_), MutexState::Free);
}

TEST_F(RegWait, InstallationsInARowEachStartFromNoHandle) {
  // catches: the handle of one installation carried into the next
  CreateSetupMutex();
  PSP_DEVINFO_DATA device = platform_.AddDevice(MultiText({kServedId}));
  for (int run = 0; run < 3; ++run) {
    EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(StateOf(name_), MutexState::Held) << run;
    EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(StateOf(name_), MutexState::Free) << run;
  }
  EXPECT_EQ(platform_.Count("OpenMutex"), 3);
}

TEST_F(RegWait, FailingReleaseStillClosesTheHandle) {
  // catches: the handle kept (and leaked) when the release fails
  CreateSetupMutex();
  platform_.Fail("ReleaseMutex");
  PSP_DEVINFO_DATA device = platform_.AddDevice(MultiText({kServedId}));
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  // The failed release left this thread the owner: give it back here so
  // the counts can be compared.
  ReleaseMutex(mutex_.get());
}

TEST_F(RegWait, UnloadBeforeTheWizardEndLetsTheSetUpGo) {
  // catches: a set-up left waiting for good when the host unloads the
  // library without the wizard's end
  CreateSetupMutex();
  PSP_DEVINFO_DATA device = platform_.AddDevice(MultiText({kServedId}));
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  installer_->OnUnload();
  EXPECT_EQ(StateOf(name_), MutexState::Free);
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(platform_.Count("ReleaseMutex"), 1);
}

TEST_F(RegWait, DestroyingTheDeviceSetLetsTheSetUpGo) {
  // catches: a set-up left waiting when the host drops the installation
  // without the wizard's end and keeps the library loaded
  CreateSetupMutex();
  PSP_DEVINFO_DATA device = platform_.AddDevice(MultiText({kServedId}));
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Call(DIF_DESTROYPRIVATEDATA, device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(StateOf(name_), MutexState::Free);
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(platform_.Count("ReleaseMutex"), 1);
}

TEST_F(RegWait, OtherRequestsAndTheSecondPassDoNothing) {
  // catches: the mutex taken in a pass or for a request it is not for
  CreateSetupMutex();
  PSP_DEVINFO_DATA device = platform_.AddDevice(MultiText({kServedId}));
  EXPECT_EQ(Call(DIF_INSTALLDEVICE, device, TRUE), static_cast<DWORD>(NO_ERROR));
  for (DI_FUNCTION request : std::initializer_list<DI_FUNCTION>{DIF_SELECTDEVICE, DIF_REMOVE, DIF_PROPERTYCHANGE, DIF_INSTALLDEVICEFILES,
                              DIF_REGISTER_COINSTALLERS, static_cast<DI_FUNCTION>(0x7777)}) {
    EXPECT_EQ(Call(request, device), static_cast<DWORD>(NO_ERROR)) << request;
  }
  EXPECT_EQ(installer_->Handle(DIF_INSTALLDEVICE, platform_.Set(), device, nullptr), static_cast<DWORD>(NO_ERROR));
  EXPECT_TRUE(platform_.Log().empty());
  EXPECT_EQ(StateOf(name_), MutexState::Free);
}

}  // namespace
