// "VXComm.dll": the communication library. A port registry kept in a file,
// one open connection at a time, and the status reports of that connection.

#include <windows.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "makerlibs/common/CommChannel.h"
#include "makerlibs/include/IVXComm.h"
#include "makerlibs/protocol/PortRegistry.h"
#include "makerlibs/vxcomm/Connection.h"
#include "makerlibs/vxcomm/PortStore.h"
#include "makerlibs/vxcomm/StatusDispatcher.h"

using namespace vxproto;

namespace {

constexpr DWORD kQueryTimeoutMs = 1500;
constexpr uint32_t kAccessVersion = 0x00010000;

struct Library {
  std::recursive_mutex lock;
  std::optional<PortRecord> selected;
  std::shared_ptr<CConnection> open;
  CStatusDispatcher status;
  CStatusDispatcher deviceState;
  int32_t caller = 0;
  int32_t modelType = 0;
  int32_t responseAck = 0;
  int32_t flowForced = 0;
  int32_t portConnector = 0;
  bool disableOffOffline = false;
};

Library& Lib() {
  static Library* lib = new Library;  // outlives every thread that may still report
  return *lib;
}

PortRecord FromEntry(const PrinterEntry& e) {
  PortRecord record{e.interfaceKindText, e.portName, e.portPath, e.deviceName, L""};
  if (record.portPath.empty()) record.portPath = AnnouncedPath(record.kind, record.portName);
  if (e.serialValuesSet == 1) {
    const LineSettings line{static_cast<uint32_t>(e.serialValues[0]), static_cast<uint8_t>(e.serialValues[1]),
                            static_cast<uint8_t>(e.serialValues[2])};
    // Values the line cannot take leave the printer's defaults.
    if (e.serialValues[1] >= 0 && e.serialValues[1] <= 2 && e.serialValues[2] >= 0 && e.serialValues[2] <= 8 &&
        ParseLineSettings(FormatLineSettings(line))) {
      record.lineSettings = FormatLineSettings(line);
    }
  }
  return record;
}

void ToEntry(const PortRecord& r, PrinterEntry& e) {
  std::memset(&e, 0, sizeof(e));
  CopyText(e.interfaceKindText, r.kind.c_str());
  CopyText(e.portName, r.portName.c_str());
  CopyText(e.portPath, r.portPath.c_str());
  CopyText(e.deviceName, r.deviceName.c_str());
  if (const auto line = ParseLineSettings(r.lineSettings)) {
    e.serialValuesSet = 1;
    e.serialValues[0] = static_cast<int32_t>(line->baud);
    e.serialValues[1] = line->parity;
    e.serialValues[2] = line->bits;
  }
}

std::optional<Endpoint> EndpointOf(const PortRecord& r) {
  std::optional<Endpoint> e = ResolveEndpoint(r.kind, r.portName, r.portPath);
  if (e && e->serial) {
    if (const auto line = ParseLineSettings(r.lineSettings)) e->line = *line;
  }
  return e;
}

bool SameEndpoint(const Endpoint& a, const Endpoint& b) {
  return a.kind == b.kind && a.port == b.port && _wcsicmp(a.address.c_str(), b.address.c_str()) == 0 &&
         a.line == b.line;
}

int32_t Reported(int32_t status) {
  if (Lib().disableOffOffline && status == kStatusOffline) return kStatusOnline;
  return status;
}

// Talks over the open connection, or over a short one of its own.
template <class Fn>
VXCRESULT WithPrinterOnce(const std::optional<Endpoint>& target, Fn fn) {
  Library& lib = Lib();
  CConnection* use = nullptr;
  std::unique_ptr<CConnection> own;
  if (lib.open && (!target || SameEndpoint(lib.open->Target(), *target))) {
    use = lib.open.get();
  } else {
    if (!target) return kVxcNotOpen;
    own = std::make_unique<CConnection>(*target, false);
    const VXCRESULT r = own->Open(false);
    if (r != kVxcOk) return r;
    use = own.get();
  }
  struct Channel : IByteChannel {
    CConnection* c;
    bool Write(const Bytes& b, uint32_t t) override {
      uint32_t done = 0;
      return c->Write(b.data(), static_cast<uint32_t>(b.size()), &done, t) == kVxcOk;
    }
    int Read(uint8_t* buf, std::size_t size, uint32_t t) override {
      uint32_t done = 0;
      const VXCRESULT r = c->Read(buf, static_cast<uint32_t>(size), &done, t);
      last = r;
      return r == kVxcOk ? static_cast<int>(done) : r == kVxcTimeout ? 0 : -1;
    }
    void Purge() override { c->Purge(); }
    VXCRESULT last = kVxcOk;
  } channel;
  channel.c = use;
  CPrinterTalk talk(channel, kQueryTimeoutMs);
  const bool ok = fn(talk);
  if (ok) return kVxcOk;
  if (own) {
    // A printer held by another client accepts and hangs up at once; a
    // failed write may come before the reader saw that.
    uint8_t ignored = 0;
    uint32_t done = 0;
    if (own->Read(&ignored, 1, &done, 300) == kVxcPortInUse) return kVxcPortInUse;
  }
  switch (talk.LastError()) {
    case TalkError::Timeout: return kVxcTimeout;
    case TalkError::Corrupt: return kVxcBadReply;
    case TalkError::Closed: return channel.last == kVxcPortInUse ? kVxcPortInUse : kVxcDisconnected;
    default: return kVxcDisconnected;
  }
}

// A printer that has just let go of its previous client may turn the next
// one away for a moment: a short connection turned away is tried again.
template <class Fn>
VXCRESULT WithPrinter(const std::optional<Endpoint>& target, Fn fn) {
  constexpr int kAttempts = 3;
  for (int attempt = 1;; ++attempt) {
    const VXCRESULT r = WithPrinterOnce(target, fn);
    if (r != kVxcPortInUse || attempt == kAttempts) return r;
    Sleep(250);
  }
}

VXCRESULT QueryText(uint8_t id, wchar_t* buffer, uint32_t chars) {
  if (!buffer || chars == 0) return kVxcBadArgument;
  std::lock_guard guard(Lib().lock);
  std::string text;
  const VXCRESULT r = WithPrinter(std::nullopt, [&](CPrinterTalk& t) {
    auto v = t.QueryText(id);
    if (v) text = *v;
    return v.has_value();
  });
  if (r != kVxcOk) return r;
  uint32_t i = 0;
  for (; i < text.size() && i + 1 < chars; ++i) buffer[i] = static_cast<unsigned char>(text[i]);
  buffer[i] = L'\0';
  return kVxcOk;
}

void OnStatus(int32_t status) { Lib().status.Update(Reported(status)); }

}  // namespace

#define VX_EXPORT extern "C" __declspec(dllexport)

VX_EXPORT VXCRESULT VXC_EnumPort(PrinterEntry* entries, uint32_t capacity, uint32_t* count, int32_t driverFlag) {
  if (!count) return kVxcBadArgument;
  std::vector<PortRecord> ports;
  const VXCRESULT read = LoadPorts(ports);
  if (!VxcSucceeded(read)) return read;
  std::vector<PortRecord> listed;
  for (auto& p : ports) {
    if (driverFlag == 1 && !IsPortMonitorPath(p.portPath)) continue;
    listed.push_back(p);
  }
  if (!entries) {
    *count = static_cast<uint32_t>(listed.size());
    return read;
  }
  const uint32_t n = std::min<uint32_t>(capacity, static_cast<uint32_t>(listed.size()));
  for (uint32_t i = 0; i < n; ++i) ToEntry(listed[i], entries[i]);
  *count = n;
  return read;
}

VX_EXPORT VXCRESULT VXC_AddPort(PrinterEntry* entry) {
  if (!entry) return kVxcNoEntry;
  PortRecord record = FromEntry(*entry);
  if (record.kind.empty() || !IsStorable(record) || !EndpointOf(record)) return kVxcBadArgument;
  const VXCRESULT r = UpdatePorts([&](std::vector<PortRecord>& ports) {
    for (auto& p : ports) {
      if (SamePort(p, record)) {
        p.deviceName = record.deviceName;
        p.lineSettings = record.lineSettings;
        return true;
      }
    }
    if (ports.size() >= kMaxPorts) return false;
    ports.push_back(record);
    return true;
  });
  if (VxcSucceeded(r)) {
    std::lock_guard guard(Lib().lock);
    Lib().selected = record;  // the next Open reaches the port just added
  }
  return r;
}

VX_EXPORT VXCRESULT VXC_RemovePort(PrinterEntry* entry) {
  if (!entry) return kVxcNoEntry;
  const PortRecord record = FromEntry(*entry);
  bool found = false;
  const VXCRESULT r = UpdatePorts([&](std::vector<PortRecord>& ports) {
    const auto before = ports.size();
    std::erase_if(ports, [&](const PortRecord& p) { return SamePort(p, record); });
    found = ports.size() != before;
    return found;
  });
  if (!VxcSucceeded(r)) return r;
  return found ? r : kVxcNoEntry;
}

VX_EXPORT VXCRESULT VXC_SetPort(PrinterEntry* entry) {
  if (!entry) return kVxcNoEntry;
  PortRecord record = FromEntry(*entry);
  if (!EndpointOf(record)) return kVxcNoEntry;
  std::lock_guard guard(Lib().lock);
  Lib().selected = record;
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_GetPort(PrinterEntry* entry) {
  if (!entry) return kVxcNoEntry;
  std::lock_guard guard(Lib().lock);
  if (!Lib().selected) return kVxcNoEntry;
  PortRecord record = *Lib().selected;
  std::vector<PortRecord> ports;
  if (VxcSucceeded(LoadPorts(ports))) {
    for (const auto& p : ports) {
      if (SamePort(p, record) && !p.deviceName.empty()) record.deviceName = p.deviceName;
    }
  }
  // Completes the entry; what the caller set beyond the port stays.
  CopyText(entry->interfaceKindText, record.kind.c_str());
  CopyText(entry->portName, record.portName.c_str());
  CopyText(entry->portPath, record.portPath.c_str());
  if (!record.deviceName.empty()) CopyText(entry->deviceName, record.deviceName.c_str());
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_PortSetting(PrinterEntry* entry) {
  // Serial values of a COM port travel with the entry; the port must lead somewhere.
  if (!entry) return kVxcNoEntry;
  if (!EndpointOf(FromEntry(*entry))) return kVxcBadArgument;
  if (entry->serialValuesSet == 1) {
    for (int32_t v : entry->serialValues) {
      if (v < 0) return kVxcBadArgument;
    }
  }
  std::lock_guard guard(Lib().lock);
  Lib().selected = FromEntry(*entry);
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_Open(int32_t mode) {
  Library& lib = Lib();
  std::lock_guard guard(lib.lock);
  if (!lib.selected) return kVxcNoEntry;
  auto endpoint = EndpointOf(*lib.selected);
  if (!endpoint) return kVxcNoEntry;
  if (lib.open) {
    if (SameEndpoint(lib.open->Target(), *endpoint)) return kVxcOk;
    lib.open.reset();
  }
  auto connection = std::make_shared<CConnection>(*endpoint, true);
  connection->SetStatusSink(OnStatus);
  const VXCRESULT r = connection->Open(mode != 0);
  if (r != kVxcOk) return r;
  lib.open = std::move(connection);
  lib.deviceState.Update(1);
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_Close() {
  Library& lib = Lib();
  std::shared_ptr<CConnection> closing;
  {
    std::lock_guard guard(lib.lock);
    closing = std::move(lib.open);
  }
  if (closing) {
    closing->SetStatusSink(nullptr);
    closing->Close();  // a Read still waiting on it returns now
    closing.reset();
    // Its reader has ended: no status of the closed port is reported later.
    lib.status.Forget();
    lib.deviceState.Update(0);
  }
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_Read(void* buffer, uint32_t size, uint32_t* done, uint32_t timeoutMs) {
  std::shared_ptr<CConnection> c;
  {
    std::lock_guard guard(Lib().lock);
    c = Lib().open;
  }
  if (!c) return kVxcNotOpen;
  // Not under the library lock: a read waits, and Close must still get in.
  return c->Read(buffer, size, done, timeoutMs);
}

VX_EXPORT VXCRESULT VXC_Write(const void* buffer, uint32_t size, uint32_t* done, uint32_t timeoutMs) {
  std::shared_ptr<CConnection> c;
  {
    std::lock_guard guard(Lib().lock);
    c = Lib().open;
  }
  if (!c) return kVxcNotOpen;
  return c->Write(buffer, size, done, timeoutMs);
}

VX_EXPORT VXCRESULT VXC_GetStatus(int32_t* status) {
  if (!status) return kVxcBadArgument;
  std::lock_guard guard(Lib().lock);
  if (!Lib().open) {
    *status = kStatusNoAnswer;
    return kVxcNotOpen;
  }
  *status = Reported(Lib().open->Status());
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_Initialize() {
  std::lock_guard guard(Lib().lock);
  if (!Lib().open) return kVxcNotOpen;
  return Lib().open->Refresh();
}

VX_EXPORT VXCRESULT VXC_Purge() {
  std::lock_guard guard(Lib().lock);
  if (!Lib().open) return kVxcNotOpen;
  Lib().open->Purge();
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_Reset() {
  std::lock_guard guard(Lib().lock);
  if (!Lib().open) return kVxcNotOpen;
  const uint8_t initialize[] = {0x1B, 0x40};
  uint32_t done = 0;
  Lib().open->Purge();
  return Lib().open->Write(initialize, sizeof(initialize), &done, 2000);
}

VX_EXPORT VXCRESULT VXC_RegisterStatusProc(VxcStatusProc proc, void* context) {
  if (!proc) return kVxcBadArgument;
  std::lock_guard guard(Lib().lock);
  const int32_t current = Lib().open ? Reported(Lib().open->Status()) : -1;
  Lib().status.Register(proc, context, current);
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_UnregisterStatusProc() {
  Lib().status.Unregister();
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_CommunicationTest(PrinterEntry* entry) {
  if (!entry) return kVxcNoEntry;
  PortRecord record = FromEntry(*entry);
  auto endpoint = EndpointOf(record);
  if (!endpoint) return kVxcNoEntry;
  std::lock_guard guard(Lib().lock);
  std::string model;
  const VXCRESULT r = WithPrinter(endpoint, [&](CPrinterTalk& t) {
    auto v = t.QueryText(kIdModelName);
    if (v) model = *v;
    return v.has_value() && !v->empty();
  });
  if (r != kVxcOk) return r;
  std::wstring name(model.begin(), model.end());
  CopyText(entry->deviceName, name.c_str());
  record.deviceName = name;
  // A registered port remembers the model that answered on it.
  (void)UpdatePorts([&](std::vector<PortRecord>& ports) {
    bool changed = false;
    for (auto& p : ports) {
      if (SamePort(p, record) && p.deviceName != name) {
        p.deviceName = name;
        changed = true;
      }
    }
    return changed;
  });
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_EnumDevPort(const wchar_t* kind, PrinterEntry* entries, uint32_t capacity, uint32_t* count) {
  if (!kind || !count) return kVxcBadArgument;
  std::vector<PortRecord> found = FindDevicePorts(kind);
  *count = static_cast<uint32_t>(found.size());
  if (entries) {
    const uint32_t n = std::min<uint32_t>(capacity, *count);
    for (uint32_t i = 0; i < n; ++i) {
      ToEntry(found[i], entries[i]);
      entries[i].portSetupValue1 = -1;
      entries[i].portSetupValue2 = -1;
    }
  }
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_Backup(const wchar_t* path) {
  if (!path || !*path) return kVxcBadArgument;
  std::vector<PortRecord> ports;
  const VXCRESULT read = LoadPorts(ports);
  if (!VxcSucceeded(read)) return read;
  return WritePortFile(path, ports) ? read : kVxcOpenFailed;
}

VX_EXPORT VXCRESULT VXC_Restore(const wchar_t* path) {
  if (!path || !*path) return kVxcBadArgument;
  std::vector<PortRecord> restored;
  if (!ReadPortFile(path, restored)) return kVxcBadFile;
  return UpdatePorts([&](std::vector<PortRecord>& ports) {
    ports = restored;
    return true;
  });
}

VX_EXPORT VXCRESULT VXC_FileCheck(const wchar_t* path) {
  if (!path || !*path) return kVxcBadArgument;
  std::vector<PortRecord> ports;
  return ReadPortFile(path, ports) ? kVxcOk : kVxcBadFile;
}

VX_EXPORT VXCRESULT VXC_SetDisableOffOffline() {
  // Hosts that print regardless of the offline state do not want to hear of it.
  std::lock_guard guard(Lib().lock);
  Lib().disableOffOffline = true;
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_SetResponseACK(int32_t enable) {
  if (enable != 0 && enable != 1) return kVxcBadArgument;
  std::lock_guard guard(Lib().lock);
  Lib().responseAck = enable;
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_GetDeviceName(wchar_t* buffer, uint32_t chars) { return QueryText(kIdModelName, buffer, chars); }

VX_EXPORT VXCRESULT VXC_SetFlowCtrlForced(int32_t forced) {
  std::lock_guard guard(Lib().lock);
  Lib().flowForced = forced ? 1 : 0;
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_Terminate() {
  VXC_Close();
  Lib().status.Stop();
  Lib().deviceState.Stop();
  std::lock_guard guard(Lib().lock);
  Lib().selected.reset();
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_GetSerialNumber(wchar_t* buffer, uint32_t chars) {
  return QueryText(kIdSerialNumber, buffer, chars);
}

VX_EXPORT VXCRESULT VXC_GetAccessVersion(uint32_t* version) {
  if (!version) return kVxcBadArgument;
  *version = kAccessVersion;
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_FindPort(PrinterEntry* entry) {
  if (!entry) return kVxcNoEntry;
  std::vector<PortRecord> ports;
  const VXCRESULT read = LoadPorts(ports);
  if (!VxcSucceeded(read)) return read;
  for (const auto& p : ports) {
    const bool byPath = entry->portPath[0] && _wcsicmp(p.portPath.c_str(), entry->portPath) == 0;
    const bool byName = !entry->portPath[0] && _wcsicmp(p.portName.c_str(), entry->portName) == 0;
    if (byPath || byName) {
      ToEntry(p, *entry);
      return read;
    }
  }
  return kVxcNoEntry;
}

VX_EXPORT VXCRESULT VXC_RegisterDeviceStateCallback(VxcStatusProc proc, void* context) {
  if (!proc) return kVxcBadArgument;
  std::lock_guard guard(Lib().lock);
  Lib().deviceState.Register(proc, context, Lib().open ? 1 : 0);
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_UnregisterDeviceStateCallback() {
  Lib().deviceState.Unregister();
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_RecoverySending() {
  // DLE ENQ 2: recover from a recoverable error and go on with the data.
  std::lock_guard guard(Lib().lock);
  if (!Lib().open) return kVxcNotOpen;
  const uint8_t recover[] = {0x10, 0x05, 0x02};
  uint32_t done = 0;
  return Lib().open->Write(recover, sizeof(recover), &done, 2000);
}

VX_EXPORT VXCRESULT VXC_ReopenPort() {
  {
    std::lock_guard guard(Lib().lock);
    if (!Lib().open) return kVxcNotOpen;
  }
  VXC_Close();
  return VXC_Open(1);
}

VX_EXPORT VXCRESULT VXC_GetFirmVersion(wchar_t* buffer, uint32_t chars) {
  return QueryText(kIdFirmwareVersion, buffer, chars);
}

VX_EXPORT VXCRESULT VXC_SetModelType(int32_t type) {
  if (type < 0) return kVxcBadArgument;
  std::lock_guard guard(Lib().lock);
  Lib().modelType = type;
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_IsWatermarkSupported(int32_t* answer) {
  if (!answer) return kVxcBadArgument;
  *answer = 0;  // a thermal receipt printer prints no watermark
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_IsARPSupported(int32_t* answer) {
  if (!answer) return kVxcBadArgument;
  *answer = 1;
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_SetPortConnector(int32_t connector) {
  if (connector < 0) return kVxcBadArgument;
  std::lock_guard guard(Lib().lock);
  Lib().portConnector = connector;
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_IsSupported(int32_t function, int32_t* answer) {
  if (!answer) return kVxcBadArgument;
  // Functions 1 to 6 are those of the VX-R500 family (model type 0).
  std::lock_guard guard(Lib().lock);
  *answer = Lib().modelType == 0 && function >= 1 && function <= 6 ? 1 : 0;
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_IsPortConnectorEnabled(int32_t* answer) {
  if (!answer) return kVxcBadArgument;
  std::lock_guard guard(Lib().lock);
  *answer = Lib().portConnector != 0 ? 1 : 0;
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_GetPortName(wchar_t* buffer, uint32_t chars) {
  if (!buffer || chars == 0) return kVxcBadArgument;
  std::lock_guard guard(Lib().lock);
  if (!Lib().selected) return kVxcNoEntry;
  const std::wstring& name = Lib().selected->portName;
  const std::size_t n = std::min<std::size_t>(name.size(), chars - 1);
  name.copy(buffer, n);
  buffer[n] = L'\0';
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_RegisterBatStatusProc(VxcStatusProc proc, void*) {
  return proc ? kVxcNotSupported : kVxcBadArgument;  // no battery on this printer
}

VX_EXPORT VXCRESULT VXC_UnregisterBatStatusProc() { return kVxcNotSupported; }

VX_EXPORT VXCRESULT VXC_IsEnableCommand(int32_t group, uint8_t first, uint8_t second, int32_t* answer) {
  if (!answer) return kVxcBadArgument;
  // Extended command group 1: the 0E 30 and 0E 49 functions of the VX-R500.
  *answer = group == 1 && first == 0x0E && (second == 0x30 || second == 0x49) ? 1 : 0;
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_SetCaller(int32_t caller) {
  if (caller < 0 || caller > 4) return kVxcBadArgument;
  std::lock_guard guard(Lib().lock);
  Lib().caller = caller;
  return kVxcOk;
}

VX_EXPORT VXCRESULT VXC_GetCaller(int32_t* caller) {
  if (!caller) return kVxcBadArgument;
  std::lock_guard guard(Lib().lock);
  *caller = Lib().caller;
  return kVxcOk;
}

// The communication object for components that are given none: its slots
// are those of IVXComm and reach the exports above.
namespace {
class CLibraryComm : public IVXComm {
public:
  VXCRESULT Read(void* b, uint32_t s, uint32_t* d, uint32_t t) override { return VXC_Read(b, s, d, t); }
  VXCRESULT Write(const void* b, uint32_t s, uint32_t* d, uint32_t t) override { return VXC_Write(b, s, d, t); }
  VXCRESULT Purge() override { return VXC_Purge(); }
  VXCRESULT SetFlowCtrlForced(int32_t f) override { return VXC_SetFlowCtrlForced(f); }
  VXCRESULT RecoverySending() override { return VXC_RecoverySending(); }
};
}  // namespace

VX_EXPORT IVXComm* VXComm_CreateObject() { return new (std::nothrow) CLibraryComm; }
VX_EXPORT void VXComm_DeleteObject(IVXComm* object) { delete object; }
