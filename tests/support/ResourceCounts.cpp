#include "tests/support/ResourceCounts.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <memory>

#include "win/Handles.h"

namespace gui {

namespace {

// The system's handle table, for where GetProcessHandleCount answers 0 (Wine).
struct SystemHandleEntry {
  USHORT processId;
  USHORT creatorBackTraceIndex;
  UCHAR objectType;
  UCHAR attributes;
  USHORT handle;
  PVOID object;
  ACCESS_MASK access;
};
struct SystemHandles {
  ULONG count;
  SystemHandleEntry entries[1];
};
constexpr auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

DWORD HandlesInSystemTable() {
  for (ULONG size = 1 << 20; size <= (1u << 28); size *= 2) {
    std::unique_ptr<BYTE[]> buffer(new BYTE[size]);
    ULONG returned = 0;
    const NTSTATUS status = NtQuerySystemInformation(kSystemHandleInformation, buffer.get(), size, &returned);
    if (status == kInfoLengthMismatch) continue;
    if (status != 0) return 0;
    const auto* table = reinterpret_cast<const SystemHandles*>(buffer.get());
    const auto self = static_cast<USHORT>(GetCurrentProcessId());
    DWORD count = 0;
    for (ULONG i = 0; i < table->count; ++i) count += table->entries[i].processId == self ? 1 : 0;

    return count;
  }
  return 0;
}

}  // namespace

DWORD HandleCount() {
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) return count;
  return HandlesInSystemTable();
}

DWORD ThreadCount() {
  CFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot) return 0;
  DWORD count = 0;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  }
  return count;
}

namespace {

// Samples both counts until they have stayed the same for a while.
void SettledCounts(DWORD* handles, DWORD* threads) {
  // Reading the handle table is slow under Wine: few samples, close together.
  constexpr int kStableSamples = 3;
  constexpr DWORD kSampleMs = 10;
  const ULONGLONG end = GetTickCount64() + 1000;
  *handles = HandleCount();
  *threads = ThreadCount();
  for (int stable = 0; stable < kStableSamples && GetTickCount64() < end;) {
    Sleep(kSampleMs);
    const DWORD h = HandleCount();
    const DWORD t = ThreadCount();
    stable = h == *handles && t == *threads ? stable + 1 : 0;
    *handles = h;
    *threads = t;
  }
}

}  // namespace

CResourceBaseline::CResourceBaseline() { SettledCounts(&handles_, &threads_); }

std::string CResourceBaseline::Check(DWORD timeoutMs) const {
  if (handles_ == 0 || threads_ == 0) return "the process's handle or thread count cannot be read";
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    const DWORD handles = HandleCount();
    const DWORD threads = ThreadCount();
    if (handles == 0 || threads == 0) return "the process's handle or thread count cannot be read";
    if (handles <= handles_ && threads <= threads_) return {};
    if (GetTickCount64() >= end) {
      return "handles " + std::to_string(handles_) + " -> " + std::to_string(handles) + ", threads " +
             std::to_string(threads_) + " -> " + std::to_string(threads);
    }
    Sleep(10);
  }
}

bool WaitForThreadCount(DWORD count, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (ThreadCount() >= count) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(10);
  }
}

}  // namespace gui
