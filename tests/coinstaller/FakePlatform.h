#pragma once
// The test double behind ICoInstallerPlatform: a registry, a device installer
// and a spooler of its own, with faults on request, and the real events,
// waits, threads and mutexes, so leaked handles and threads show in the
// process counts. It counts every key, printer, notification and
// notification record it hands out and reports the ones never given back.

#include <windows.h>

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "coinstaller/CoInstallerPlatform.h"
#include "win/SlimLock.h"

namespace fake {

struct Value {
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
};

Value Text(std::wstring_view text, DWORD type = REG_SZ, bool terminated = true);
Value MultiText(std::initializer_list<std::wstring_view> entries);
Value Dword(DWORD number);

struct Printer {
  std::wstring name;
  std::wstring driver;
  std::wstring port;
};

// One entry of a printer change record.
struct NotifyEntry {
  WORD type = PRINTER_NOTIFY_TYPE;
  WORD field = PRINTER_NOTIFY_FIELD_PRINTER_NAME;
  std::wstring text;
  bool terminated = true;
};

inline const std::wstring kDriverKey = L"HKLM\\SOFTWARE\\ORVIK\\ORVIK Vantrel 5\\VX-R500";

class CFakePlatform : public coinst::CWin32Platform {
public:
  CFakePlatform();
  ~CFakePlatform();

  // ---- set-up by the test
  // A device in the fake installer; its own key is "DEVICE\<n>".
  PSP_DEVINFO_DATA AddDevice(std::optional<Value> hardwareIds, std::optional<Value> compatibleIds = std::nullopt);
  HDEVINFO Set() const { return reinterpret_cast<HDEVINFO>(const_cast<CFakePlatform*>(this)); }
  void SelectDriver(PSP_DEVINFO_DATA device, std::wstring description);
  static std::wstring DeviceKey(PSP_DEVINFO_DATA device);

  void CreateKey(const std::wstring& path);
  void PutValue(const std::wstring& path, const std::wstring& name, Value value);
  void RemoveValue(const std::wstring& path, const std::wstring& name);
  std::optional<Value> GetValue(const std::wstring& path, const std::wstring& name) const;
  std::optional<std::wstring> GetText(const std::wstring& path, const std::wstring& name) const;
  std::optional<DWORD> GetDword(const std::wstring& path, const std::wstring& name) const;

  void AddPrinter(Printer printer);
  bool HasPrinter(const std::wstring& name) const;
  // Adds a queue as plug and play would and tells the watcher.
  void AddPrinterAndNotify(const Printer& printer);
  // Tells the watcher of a change with the given record (null record: none).
  void Notify(DWORD what, std::optional<std::vector<NotifyEntry>> entries);
  // Waits until a watcher asked for notifications (and has not closed them).
  bool WaitForWatcher(DWORD timeoutMs);
  // Waits until every change told so far was fetched and its record freed.
  bool WaitUntilChangesHandled(DWORD timeoutMs);

  // Makes a call fail. Keys: "HardwareIds", "CompatibleIds", "SelectedDriver",
  // "OpenDeviceKey", "OpenKey:read", "OpenKey:write", "Query:<value>",
  // "Set:<value>", "EnumPrinters", "OpenPrinter:server", "OpenPrinter:<name>",
  // "GetPrinter", "DeletePrinter", "FindFirst", "FindNext", "CreateEvent",
  // "StartThread", "ReleaseMutex", "Throw:Query" (throws instead).
  void Fail(const std::string& call);
  void Heal(const std::string& call);
  // The size a value or the printer list reports grows by this much on every
  // read, as when it changes between asking and reading.
  void GrowOnEveryRead(const std::string& what, DWORD bytes);
  // GetPrinter of the watcher blocks until Unblock.
  void BlockGetPrinter();
  void Unblock();
  // GetPrinter places the port name outside the buffer it fills.
  void PortOutsideBuffer();
  // The name OpenNamedMutex really opens (tests use names of their own).
  void RedirectMutex(std::wstring name);

  // ---- what happened
  std::vector<std::string> Log() const;
  bool Logged(const std::string& entry) const;
  int Count(const std::string& prefix) const;
  // Keys, printers, notifications and records still handed out.
  std::string Leaks() const;

  // ---- the platform
  BOOL GetDeviceRegistryProperty(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property, DWORD* type, BYTE* buffer,
                                 DWORD size, DWORD* required) override;
  BOOL GetSelectedDriver(HDEVINFO set, PSP_DEVINFO_DATA device, SP_DRVINFO_DATA_W* driver) override;
  HKEY OpenDeviceKey(HDEVINFO set, PSP_DEVINFO_DATA device, REGSAM access) override;
  LSTATUS OpenKey(HKEY root, const wchar_t* subKey, REGSAM access, HKEY* key) override;
  LSTATUS QueryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* size) override;
  LSTATUS SetValue(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD size) override;
  LSTATUS CloseKey(HKEY key) override;
  BOOL EnumLocalPrinters(DWORD level, BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) override;
  BOOL OpenPrinterHandle(const wchar_t* name, HANDLE* printer, ACCESS_MASK access) override;
  BOOL GetPrinterInfo(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) override;
  BOOL DeletePrinter(HANDLE printer) override;
  BOOL ClosePrinter(HANDLE printer) override;
  HANDLE FindFirstPrinterChange(HANDLE printer, DWORD filter, PRINTER_NOTIFY_OPTIONS* options) override;
  BOOL FindNextPrinterChange(HANDLE change, DWORD* what, PRINTER_NOTIFY_INFO** info) override;
  BOOL FreePrinterNotifyInfo(PRINTER_NOTIFY_INFO* info) override;
  BOOL FindClosePrinterChange(HANDLE change) override;
  HANDLE CreateManualEvent() override;
  HANDLE StartThread(std::function<void()> body) override;
  HANDLE OpenNamedMutex(const wchar_t* name) override;
  BOOL ReleaseMutex(HANDLE mutex) override;

private:
  struct Device {
    std::optional<Value> hardwareIds;
    std::optional<Value> compatibleIds;
    std::optional<std::wstring> driver;
  };
  struct Change {
    DWORD what = 0;
    std::optional<std::vector<NotifyEntry>> entries;
  };

  template <class Fn>
  auto Locked(Fn fn) const {
    std::scoped_lock guard(lock_);
    return fn();
  }
  bool Failing(const std::string& call) const { return failures_.count(call) != 0; }
  void Record(std::string entry) { log_.push_back(std::move(entry)); }
  HANDLE NewHandle();
  DWORD Growth(const std::string& what);

  mutable CSlimLock lock_;
  std::set<std::string> failures_;
  std::map<std::string, DWORD> growth_;
  std::vector<std::string> log_;

  std::deque<SP_DEVINFO_DATA> deviceData_;
  std::map<DWORD, Device> devices_;
  std::map<std::wstring, std::map<std::wstring, Value>> registry_;
  std::map<HKEY, std::wstring> openKeys_;

  std::vector<Printer> printers_;
  std::map<HANDLE, std::wstring> openPrinters_;  // "" for the print server
  bool portOutside_ = false;
  HANDLE unblock_;  // GetPrinter waits for it

  HANDLE change_ = nullptr;  // the real event the watcher waits on
  HANDLE watching_;           // set while a watcher listens
  std::deque<Change> pending_;
  std::map<PRINTER_NOTIFY_INFO*, std::vector<BYTE>> records_;

  std::wstring mutexName_;
  uintptr_t nextHandle_ = 0x7E000000;
};

std::string Narrow(std::wstring_view text);

// A device's ids and whether the co-installers must treat it as served.
struct ServedCase {
  const char* fault;
  std::optional<Value> hardwareIds;
  std::optional<Value> compatibleIds;
  bool served;
};

// Failures name the fault the case catches.
inline void PrintTo(const ServedCase& c, std::ostream* os) { *os << c.fault; }

}  // namespace fake
