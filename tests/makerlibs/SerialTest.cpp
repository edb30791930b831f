// The communication library over a serial line: COM5 and COM6 are the two
// ends of a pty pair inside the test's Wine prefix (tools/serial-pair.sh);
// the emulator listens on COM6.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "connection/VXC.h"
#include "emulator/Emulator.h"
#include "makerlibs/common/Transport.h"
#include "win/Handles.h"

namespace {

bool SerialPairPresent() {
  HANDLE h = CreateFileW(L"\\\\.\\COM6", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

class Serial : public testing::Test {
protected:
  void SetUp() override {
    // The ctest fixture makes the pair; without it this is a broken set-up, not a reason to skip.
    ASSERT_TRUE(SerialPairPresent()) << "COM6 cannot be opened: tools/serial-pair.sh start did not run";
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    registry_ = std::wstring(temp) + L"vxports_serial_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    SetEnvironmentVariableW(L"VX_PORT_REGISTRY", registry_.c_str());
    EmulatorConfig config;
    config.name = L"serial_" + std::to_wstring(GetCurrentProcessId());
    config.tcpPort = -1;
    config.comDevice = L"COM6";
    config.comPeer = L"COM5";
    config.restartMs = 300;
    emulator_ = std::make_unique<CEmulator>(config);
    std::string error;
    ASSERT_TRUE(emulator_->Start(&error)) << error;
    comm_ = std::make_unique<VXC>();
    ASSERT_TRUE(comm_->IsLoaded());
  }
  void TearDown() override {
    if (comm_) {
      comm_->VXC_UnregisterStatusProc();
      comm_->Close();
    }
    comm_.reset();
    emulator_.reset();
    DeleteFileW(registry_.c_str());
    SetEnvironmentVariableW(L"VX_PORT_REGISTRY", nullptr);
  }
  static PrinterEntry ComEntry() {
    PrinterEntry e = {};
    CopyText(e.interfaceKindText, L"COM");
    CopyText(e.portName, L"COM5");
    return e;
  }

  std::wstring registry_;
  std::unique_ptr<CEmulator> emulator_;
  std::unique_ptr<VXC> comm_;
};

TEST_F(Serial, TestOpenAndStatusOverTheLine) {
  PrinterEntry e = ComEntry();
  ASSERT_EQ(comm_->VXC_CommunicationTest(&e), kVxcOk);
  EXPECT_EQ(std::wstring(e.deviceName), L"VX-R200");
  ASSERT_EQ(comm_->VXC_SetPort(&e), kVxcOk);
  ASSERT_EQ(comm_->Open(1), kVxcOk);
  ASSERT_EQ(comm_->VXC_Initialize(), kVxcOk);
  // The first status block may still be on the line.
  int32_t status = -1;
  for (int i = 0; i < 60 && status != 0; ++i) {
    EXPECT_EQ(comm_->GetStatus(&status), kVxcOk);
    if (status != 0) Sleep(50);
  }
  EXPECT_EQ(status, 0);
  ASSERT_TRUE(emulator_->ExecuteLine("condition cover on").rfind("OK", 0) == 0);
  bool seen = false;
  for (int i = 0; i < 50 && !seen; ++i) {
    Sleep(50);
    comm_->GetStatus(&status);
    seen = status == 6;
  }
  EXPECT_TRUE(seen) << "cover open reached the library over the line; last status " << status;
}

TEST_F(Serial, DeviceSearchFindsTheSerialPrinter) {
  uint32_t count = 0;
  std::vector<PrinterEntry> entries(8);
  ASSERT_EQ(comm_->VXC_EnumDevPort(L"COM", entries.data(), 8u, &count), kVxcOk);
  bool found = false;
  for (uint32_t i = 0; i < count && i < entries.size(); ++i) found = found || std::wstring(entries[i].portName) == L"COM5";
  EXPECT_TRUE(found);
}

TEST(SerialLine, AWriteThePrinterDoesNotTakeEndsWithTheClose) {
  // catches: a write with no time-out at all, and a close that waits behind
  // it for ever (nothing reads COM6 here: the line fills and the write blocks)
  ASSERT_TRUE(SerialPairPresent());
  ConnectResult how = ConnectResult::Failed;
  vxproto::Endpoint line{vxproto::Endpoint::Kind::Device, L"\\\\.\\COM5", 0, true, {115200, 0, 3}};
  EXPECT_FALSE(ConnectEndpoint(line, &how)) << "line settings the line refuses are no connection";
  line.line = {};
  std::unique_ptr<CLink> link = ConnectEndpoint(line, &how);
  ASSERT_TRUE(link) << "the refused open closed the port";
  std::atomic<bool> written{true};
  std::thread writer([&] {
    const std::vector<uint8_t> logo(8 << 20, 0x55);
    written = link->Write(logo.data(), logo.size(), 60000);
  });
  Sleep(1000);
  const ULONGLONG start = GetTickCount64();
  link->Abort();
  EXPECT_LT(GetTickCount64() - start, 1000u) << "the close waited for the write";
  writer.join();
  EXPECT_LT(GetTickCount64() - start, 5000u) << "the write outlived the close";
  EXPECT_FALSE(written);
}

}  // namespace
