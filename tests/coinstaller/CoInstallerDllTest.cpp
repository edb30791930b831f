// The delivered libraries as the device installer sees them: loaded by
// file name, one undecorated export, answered at once for what they do not
// handle, and unloaded without leaving anything behind, even while a
// watcher still runs.

#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/GuiDriver.h"
#include "tests/support/ResourceCounts.h"
#include "win/Handles.h"

namespace {

using CoInstallerFn = DWORD(WINAPI*)(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA, PCOINSTALLER_CONTEXT_DATA);

// Wine's spooler library keeps a handle every time it is loaded and
// unloaded with a library that imports it; held for the whole run, it
// leaves the counts to what the co-installers themselves do.
class CSystemLibraries : public testing::Environment {
public:
  void SetUp() override {
    spooler_.reset(LoadLibraryW(L"winspool.drv"));
    setup_.reset(LoadLibraryW(L"setupapi.dll"));
  }
  void TearDown() override {
    setup_.reset();
    spooler_.reset();
  }

private:
  CModule spooler_;
  CModule setup_;
};
const auto* const systemLibraries = testing::AddGlobalTestEnvironment(new CSystemLibraries);

std::wstring ProgramFile(const wchar_t* name) { return gui::BuildProgramDir() + L"\\" + name; }

class CoInstallerDll : public testing::TestWithParam<const wchar_t*> {};

TEST_P(CoInstallerDll, ExportsTheEntryPointByItsPlainName) {
  // catches: a decorated or missing export the installer cannot find
  gui::CResourceBaseline baseline;
  {
    CModule library(LoadLibraryW(ProgramFile(GetParam()).c_str()));
    ASSERT_TRUE(library) << GetLastError();
    EXPECT_NE(GetProc<CoInstallerFn>(library.get(), "OrvikVXCoInstaller"), nullptr);
    EXPECT_EQ(GetProc<CoInstallerFn>(library.get(), "OrvikVXCoInstaller@16"), nullptr);
    EXPECT_EQ(GetProc<CoInstallerFn>(library.get(), "_OrvikVXCoInstaller@16"), nullptr);
  }
  EXPECT_EQ(baseline.Check(), "");
}

TEST_P(CoInstallerDll, AnswersEveryOtherRequestAtOnce) {
  // catches: a request the library does not handle failed, or a null
  // device or context dereferenced
  gui::CResourceBaseline baseline;
  {
    CModule library(LoadLibraryW(ProgramFile(GetParam()).c_str()));
    ASSERT_TRUE(library);
    auto entry = GetProc<CoInstallerFn>(library.get(), "OrvikVXCoInstaller");
    ASSERT_NE(entry, nullptr);
    COINSTALLER_CONTEXT_DATA context = {};
    for (DI_FUNCTION request : {DIF_SELECTDEVICE, DIF_REMOVE, DIF_PROPERTYCHANGE, DIF_INSTALLDEVICEFILES,
                                DIF_REGISTER_COINSTALLERS, DIF_DESTROYPRIVATEDATA}) {
      EXPECT_EQ(entry(request, nullptr, nullptr, &context), static_cast<DWORD>(NO_ERROR)) << request;
      EXPECT_EQ(entry(request, nullptr, nullptr, nullptr), static_cast<DWORD>(NO_ERROR)) << request;
    }
    EXPECT_EQ(entry(DIF_INSTALLDEVICE, nullptr, nullptr, &context), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(entry(DIF_INSTALLDEVICE, nullptr, nullptr, nullptr), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(entry(DIF_NEWDEVICEWIZARD_FINISHINSTALL, nullptr, nullptr, &context), static_cast<DWORD>(NO_ERROR));
  }
  EXPECT_EQ(GetModuleHandleW(ProgramFile(GetParam()).c_str()), nullptr);
  EXPECT_EQ(baseline.Check(), "");
}

INSTANTIATE_TEST_SUITE_P(Delivered, CoInstallerDll,
                         testing::Values(L"xcoinstVXR500.dll", L"xcoinstRegVXR500.dll"));

class WatchProbe : public testing::Test {
protected:
  std::wstring Path() const { return gui::TestBinDir() + L"coinst_watch_probe.dll"; }
  bool Loaded() const { return GetModuleHandleW(Path().c_str()) != nullptr; }
  bool WaitUntilUnloaded(DWORD timeoutMs) const {
    return gui::WaitUntil([&] { return !Loaded(); }, timeoutMs);
  }
  // Loads the probe and runs the first pass of its served device.
  HMODULE StartInstallation() {
    HMODULE library = LoadLibraryW(Path().c_str());
    if (!library) return nullptr;
    entry_ = GetProc<CoInstallerFn>(library, "OrvikVXCoInstaller");
    const auto set = GetProc<HDEVINFO (*)()>(library, "ProbeSet")();
    device_ = GetProc<PSP_DEVINFO_DATA (*)()>(library, "ProbeDevice")();
    set_ = set;
    COINSTALLER_CONTEXT_DATA context = {};
    EXPECT_EQ(entry_(DIF_INSTALLDEVICE, set_, device_, &context), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(GetProc<DWORD (*)()>(library, "ProbePcs")(), 0u);
    return library;
  }

  gui::CResourceBaseline baseline_;
  CoInstallerFn entry_ = nullptr;
  HDEVINFO set_ = nullptr;
  PSP_DEVINFO_DATA device_ = nullptr;
};

TEST_F(WatchProbe, UnloadWithTheWatcherRunningKeepsTheCodeUntilItEnds) {
  // catches: the library's code pulled from under its own watcher thread
  // (a crash in the installer), a thread left running for good, or an
  // unload that waits on the thread it is running on
  HMODULE library = StartInstallation();
  ASSERT_NE(library, nullptr);
  EXPECT_GE(gui::ThreadCount(), baseline_.Threads() + 1);  // the watcher
  FreeLibrary(library);
  EXPECT_TRUE(Loaded());  // the watcher still holds it
  EXPECT_TRUE(WaitUntilUnloaded(5000));
  EXPECT_EQ(baseline_.Check(), "");
}

TEST_F(WatchProbe, UnloadAfterTheWizardEndIsImmediate) {
  // catches: a reference to the library kept after the installation
  HMODULE library = StartInstallation();
  ASSERT_NE(library, nullptr);
  COINSTALLER_CONTEXT_DATA context = {};
  EXPECT_EQ(entry_(DIF_NEWDEVICEWIZARD_FINISHINSTALL, set_, device_, &context), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(GetProc<DWORD (*)()>(library, "ProbePcs")(), 5u);
  FreeLibrary(library);
  EXPECT_FALSE(Loaded());
  EXPECT_EQ(baseline_.Check(), "");
}

}  // namespace
