// The communication library over many connections and status changes: the
// process's handles, threads, GDI objects and private memory end where they
// began, within the bounds below. The emulator runs in this process, so its
// sessions and records count too.

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <iostream>
#include <string>

#include "connection/VXC.h"
#include "emulator/Emulator.h"
#include "win/Text.h"

namespace {

struct Counts {
  DWORD handles = 0;
  DWORD threads = 0;
  DWORD gdi = 0;
  SIZE_T privateBytes = 0;
};

// Handles open: the count where the system gives it, else (Wine answers 0)
// the slot a new handle takes, which is the lowest free one and climbs with
// every handle left open.
DWORD HandlesInUse() {
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return count;
  HANDLE probe = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const auto slot = static_cast<DWORD>(reinterpret_cast<uintptr_t>(probe) / 4);
  CloseHandle(probe);
  return slot;
}

Counts Measure() {
  Counts c;
  c.handles = HandlesInUse();
  c.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory));
  // Private bytes where the system counts them, else what the process pages.
  c.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage ? memory.PagefileUsage
                                                                                    : memory.WorkingSetSize;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry = {sizeof(entry)};
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++c.threads;
  }
  CloseHandle(snapshot);
  return c;
}

// Bounds on what may be left over after the warm-up: a few handles and
// threads the system pools, and heap that stays with the allocator.
constexpr DWORD kHandleSlack = 24;
constexpr DWORD kThreadSlack = 3;
constexpr SIZE_T kMemorySlack = 4u << 20;

class Soak : public testing::Test {
protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    registry_ = std::wstring(temp) + L"vxsoak_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    SetEnvironmentVariableW(L"VX_PORT_REGISTRY", registry_.c_str());
    EmulatorConfig config;
    config.name = L"soak_" + std::to_wstring(GetCurrentProcessId());
    config.tcpPort = 0;
    config.announce = false;
    emulator_ = std::make_unique<CEmulator>(config);
    std::string error;
    ASSERT_TRUE(emulator_->Start(&error)) << error;
    ASSERT_TRUE(comm_.IsLoaded());
    entry_ = {};
    CopyText(entry_.interfaceKindText, L"NET");
    CopyText(entry_.portName, L"127.0.0.1");
    CopyText(entry_.portPath, (L"tcp://127.0.0.1:" + std::to_wstring(emulator_->TcpPort())).c_str());
    ASSERT_EQ(comm_.VXC_SetPort(&entry_), kVxcOk);
  }
  void TearDown() override {
    comm_.Close();
    emulator_.reset();
    DeleteFileW(registry_.c_str());
    SetEnvironmentVariableW(L"VX_PORT_REGISTRY", nullptr);
  }
  static void Expect(const Counts& before, const Counts& after, const char* what) {
    EXPECT_LE(after.handles, before.handles + kHandleSlack) << what << ": handles";
    EXPECT_LE(after.threads, before.threads + kThreadSlack) << what << ": threads";
    EXPECT_LE(after.gdi, before.gdi) << what << ": GDI objects";
    EXPECT_LE(after.privateBytes, before.privateBytes + kMemorySlack) << what << ": private memory";
    std::cout << "figure: " << what << ": handles " << before.handles << " -> " << after.handles << ", threads "
              << before.threads << " -> " << after.threads << ", GDI " << before.gdi << " -> " << after.gdi
              << ", private KiB " << before.privateBytes / 1024 << " -> " << after.privateBytes / 1024 << "\n";
  }

  std::wstring registry_;
  std::unique_ptr<CEmulator> emulator_;
  VXC comm_;
  PrinterEntry entry_ = {};
};

TEST_F(Soak, AThousandConnectionsLeaveNothingBehind) {
  const auto cycle = [this](int i) {
    ASSERT_EQ(comm_.Open(1), kVxcOk) << "cycle " << i;
    int32_t status = -1;
    EXPECT_EQ(comm_.GetStatus(&status), kVxcOk);
    comm_.Close();
  };
  for (int i = 0; i < 50; ++i) cycle(i);  // warm-up: pools and caches fill
  const Counts before = Measure();
  const ULONGLONG started = GetTickCount64();
  for (int i = 0; i < 1000; ++i) {
    cycle(i);
    if (HasFatalFailure()) return;
  }
  Sleep(300);  // the emulator's last session ends
  std::cout << "figure: 1000 connect/disconnect cycles in " << (GetTickCount64() - started) << " ms\n";
  Expect(before, Measure(), "1000 connections");
}

TEST_F(Soak, TenThousandStatusChangesLeaveNothingBehind) {
  ASSERT_EQ(comm_.Open(1), kVxcOk);
  static std::atomic<int> reports{0};
  reports = 0;
  ASSERT_EQ(comm_.VXC_RegisterStatusProc([](int32_t, void*) { ++reports; }, nullptr), kVxcOk);
  for (int i = 0; i < 200; ++i) emulator_->SetCondition("cover", i % 2 == 0);
  Sleep(500);
  const Counts before = Measure();
  const ULONGLONG started = GetTickCount64();
  for (int i = 0; i < 10000; ++i) emulator_->SetCondition("cover", i % 2 == 0);
  emulator_->SetCondition("cover", false);
  Sleep(500);
  std::cout << "figure: 10000 status changes in " << (GetTickCount64() - started) << " ms, " << reports.load()
            << " reports\n";
  int32_t status = -1;
  EXPECT_EQ(comm_.GetStatus(&status), kVxcOk);
  EXPECT_EQ(status, 0) << "ends in the last state";
  comm_.VXC_UnregisterStatusProc();
  Expect(before, Measure(), "10000 status changes");
}

}  // namespace
