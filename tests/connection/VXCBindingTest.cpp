#include "connection/VXC.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/DoubleLibrary.h"
#include "win/ProgramLibrary.h"
#include "win/Text.h"

namespace {

using gui::CDllFolder;
using Double = gui::CDoubleLibrary;

TEST(VXCBinding, CompleteLibraryForwardsEveryCallByName) {
  CDllFolder folder(L"vxcomm_complete");
  Double lib(L"VXComm.dll", "VXCDouble");
  VXC comm;
  ASSERT_TRUE(comm.IsLoaded());
  lib.Set("Open", 0x8000000B);

  EXPECT_EQ(comm.Open(1), kVxcPortInUse);  // the library's own answer comes back
  EXPECT_EQ(comm.Close(), kVxcOk);
  int32_t status = -1;
  EXPECT_EQ(comm.GetStatus(&status), kVxcOk);
  EXPECT_EQ(comm.VXC_SetCaller(2), kVxcOk);
  EXPECT_EQ(comm.VXC_SetModelType(0), kVxcOk);
  int32_t caller = -1;
  EXPECT_EQ(comm.VXC_GetCaller(&caller), kVxcOk);
  EXPECT_EQ(lib.Log(), "Open(1);Close;GetStatus;SetCaller(2);SetModelType(0);GetCaller;");
}

TEST(VXCBinding, OutsideComponentsReachTheLibraryThroughTheInterfaceSlots) {
  CDllFolder folder(L"vxcomm_complete");
  Double lib(L"VXComm.dll", "VXCDouble");
  VXC comm;
  ASSERT_TRUE(comm.IsLoaded());
  IVXComm* lent = &comm;
  uint32_t done = 0;
  const char bytes[3] = {0x10, 0x04, 0x01};
  EXPECT_EQ(lent->Write(bytes, 3, &done, 100), kVxcOk);
  EXPECT_EQ(done, 3u);
  EXPECT_EQ(lent->Purge(), kVxcOk);
  EXPECT_EQ(lent->SetFlowCtrlForced(1), kVxcOk);
  EXPECT_EQ(lent->RecoverySending(), kVxcOk);
  EXPECT_EQ(lib.Log(), "Write;Purge;SetFlowCtrlForced;RecoverySending;");
}

TEST(VXCBinding, DestructorUnloadsTheLibrary) {
  CDllFolder folder(L"vxcomm_complete");
  {
    VXC comm;
    ASSERT_TRUE(comm.IsLoaded());
  }
  EXPECT_EQ(GetModuleHandleW(L"VXComm.dll"), nullptr);
}

void ExpectEverySlotUnbound(VXC& comm) {
  EXPECT_FALSE(comm.IsLoaded());
  int32_t value = 0;
  PrinterEntry entry = {};
  uint32_t count = 0;
  EXPECT_EQ(comm.Open(1), kVxcNotBound);
  EXPECT_EQ(comm.Close(), kVxcNotBound);
  EXPECT_EQ(comm.GetStatus(&value), kVxcNotBound);
  EXPECT_EQ(comm.Reset(), kVxcNotBound);
  EXPECT_EQ(comm.SetDisableOffOffline(), kVxcNotBound);
  EXPECT_EQ(comm.SetResponseACK(1), kVxcNotBound);
  EXPECT_EQ(comm.Read(&value, 1, nullptr, 0), kVxcNotBound);
  EXPECT_EQ(comm.Write(&value, 1, nullptr, 0), kVxcNotBound);
  EXPECT_EQ(comm.Purge(), kVxcNotBound);
  EXPECT_EQ(comm.SetFlowCtrlForced(0), kVxcNotBound);
  EXPECT_EQ(comm.RecoverySending(), kVxcNotBound);
  EXPECT_EQ(comm.VXC_EnumPort(static_cast<PrinterEntry*>(nullptr), 0u, &count, 0), kVxcNotBound);
  EXPECT_EQ(comm.VXC_CommunicationTest(&entry), kVxcNotBound);
  EXPECT_EQ(comm.VXC_IsSupported(6, &value), kVxcNotBound);
  EXPECT_EQ(comm.VXC_IsEnableCommand(1, uint8_t{0x0E}, uint8_t{0x30}, &value), kVxcNotBound);
  EXPECT_EQ(comm.VXC_SetCaller(1), kVxcNotBound);
  EXPECT_EQ(comm.VXC_Terminate(), kVxcNotBound);
}

TEST(VXCBinding, LibraryMissingOneExportIsUnboundAndUnloaded) {
  CDllFolder folder(L"vxcomm_incomplete");
  VXC comm;
  ExpectEverySlotUnbound(comm);
  EXPECT_EQ(GetModuleHandleW(L"VXComm.dll"), nullptr);
}

// Not a test of its own: the program the next test starts in a folder that
// holds a planted library, as a program that restricts its search first.
TEST(LibrarySearch, DISABLED_PlantedChild) {
  ASSERT_TRUE(RestrictLibrarySearch());
  EXPECT_EQ(LoadLibraryW(L"VXComm.dll"), nullptr);
}

TEST(LibrarySearch, ALibraryPlantedInTheWorkingFolderIsNeverLoaded) {
  // catches: our library found by the system's search, and a program that
  // lets the search look into the working folder for others
  ASSERT_EQ(GetModuleHandleW(L"VXComm.dll"), nullptr);
  gui::CTempFolder planted;
  ASSERT_TRUE(CopyFileW((gui::TestBinDir() + L"vxcomm_complete\\VXComm.dll").c_str(),
                        (planted.Path() + L"\\VXComm.dll").c_str(), FALSE));
  wchar_t before[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, before);
  SetCurrentDirectoryW(planted.Path().c_str());
  const bool loaded = VXC().IsLoaded();
  SetCurrentDirectoryW(before);
  EXPECT_FALSE(loaded);
  auto child = gui::CProcess::Start(ModulePath(), L"--gtest_also_run_disabled_tests --gtest_filter=*PlantedChild",
                                    planted.Path());
  DWORD code = 1;
  ASSERT_TRUE(child && child->WaitForExit(30000, &code));
  EXPECT_EQ(code, 0u);
}

TEST(VXCBinding, MissingLibraryIsUnbound) {
  CDllFolder folder(L"no_such_folder");
  VXC comm;
  ExpectEverySlotUnbound(comm);
}

}  // namespace
