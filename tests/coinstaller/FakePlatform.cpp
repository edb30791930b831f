#include "tests/coinstaller/FakePlatform.h"

#include <cstddef>
#include <cstring>
#include <stdexcept>

namespace fake {

std::string Narrow(std::wstring_view text) {
  std::string narrow;
  for (wchar_t c : text) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return narrow;
}

Value Text(std::wstring_view text, DWORD type, bool terminated) {
  Value value;
  value.type = type;
  const auto* raw = reinterpret_cast<const BYTE*>(text.data());
  value.bytes.assign(raw, raw + text.size() * sizeof(wchar_t));
  if (terminated) value.bytes.insert(value.bytes.end(), {0, 0});
  return value;
}

Value MultiText(std::initializer_list<std::wstring_view> entries) {
  Value value;
  value.type = REG_MULTI_SZ;
  for (auto entry : entries) {
    const Value part = Text(entry);
    value.bytes.insert(value.bytes.end(), part.bytes.begin(), part.bytes.end());
  }
  value.bytes.insert(value.bytes.end(), {0, 0});
  return value;
}

Value Dword(DWORD number) {
  Value value;
  value.type = REG_DWORD;
  value.bytes.resize(sizeof(number));
  std::memcpy(value.bytes.data(), &number, sizeof(number));
  return value;
}

namespace {

std::string Render(DWORD type, const BYTE* data, DWORD size) {
  if (type == REG_DWORD && size == sizeof(DWORD)) {
    DWORD number = 0;
    std::memcpy(&number, data, sizeof(number));
    return std::to_string(number);
  }
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    std::wstring text(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
    if (!text.empty() && text.back() == L'\0') text.pop_back();
    return Narrow(text);
  }
  return "<type " + std::to_string(type) + ">";
}

// Lays out texts after the records of a spooler reply, as the spooler does.
class CLayout {
public:
  CLayout(BYTE* buffer, DWORD records) : buffer_(buffer), at_(records) {}
  static DWORD Bytes(const std::wstring& text) { return static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)); }
  wchar_t* Put(const std::wstring& text) {
    auto* place = reinterpret_cast<wchar_t*>(buffer_ + at_);
    std::memcpy(place, text.c_str(), Bytes(text));
    at_ += Bytes(text);
    return place;
  }

private:
  BYTE* buffer_;
  DWORD at_;
};

const wchar_t kForeignPort[] = L"USB009";

}  // namespace

CFakePlatform::CFakePlatform()
    : unblock_(CreateEventW(nullptr, TRUE, TRUE, nullptr)), watching_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

CFakePlatform::~CFakePlatform() {
  if (change_) ::CloseHandle(change_);
  ::CloseHandle(unblock_);
  ::CloseHandle(watching_);
}

// ---- set-up

PSP_DEVINFO_DATA CFakePlatform::AddDevice(std::optional<Value> hardwareIds, std::optional<Value> compatibleIds) {
  return Locked([&] {
    SP_DEVINFO_DATA data = {};
    data.cbSize = sizeof(data);
    data.DevInst = static_cast<DWORD>(deviceData_.size() + 1);
    deviceData_.push_back(data);
    devices_[data.DevInst] = Device{std::move(hardwareIds), std::move(compatibleIds), std::nullopt};
    registry_[L"DEVICE\\" + std::to_wstring(data.DevInst)];
    return &deviceData_.back();
  });
}

void CFakePlatform::SelectDriver(PSP_DEVINFO_DATA device, std::wstring description) {
  Locked([&] { devices_[device->DevInst].driver = std::move(description); });
}

std::wstring CFakePlatform::DeviceKey(PSP_DEVINFO_DATA device) { return L"DEVICE\\" + std::to_wstring(device->DevInst); }

void CFakePlatform::CreateKey(const std::wstring& path) { Locked([&] { registry_[path]; }); }

void CFakePlatform::PutValue(const std::wstring& path, const std::wstring& name, Value value) {
  Locked([&] { registry_[path][name] = std::move(value); });
}

void CFakePlatform::RemoveValue(const std::wstring& path, const std::wstring& name) {
  Locked([&] { registry_[path].erase(name); });
}

std::optional<Value> CFakePlatform::GetValue(const std::wstring& path, const std::wstring& name) const {
  return Locked([&]() -> std::optional<Value> {
    auto key = registry_.find(path);
    if (key == registry_.end()) return std::nullopt;
    auto value = key->second.find(name);
    if (value == key->second.end()) return std::nullopt;
    return value->second;
  });
}

std::optional<std::wstring> CFakePlatform::GetText(const std::wstring& path, const std::wstring& name) const {
  const auto value = GetValue(path, name);
  if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return std::nullopt;
  std::wstring text(reinterpret_cast<const wchar_t*>(value->bytes.data()), value->bytes.size() / sizeof(wchar_t));
  if (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

std::optional<DWORD> CFakePlatform::GetDword(const std::wstring& path, const std::wstring& name) const {
  const auto value = GetValue(path, name);
  if (!value || value->type != REG_DWORD || value->bytes.size() != sizeof(DWORD)) return std::nullopt;
  DWORD number = 0;
  std::memcpy(&number, value->bytes.data(), sizeof(number));
  return number;
}

void CFakePlatform::AddPrinter(Printer printer) { Locked([&] { printers_.push_back(std::move(printer)); }); }

bool CFakePlatform::HasPrinter(const std::wstring& name) const {
  return Locked([&] {
    for (const auto& p : printers_)
      if (p.name == name) return true;
    return false;
  });
}

void CFakePlatform::AddPrinterAndNotify(const Printer& printer) {
  AddPrinter(printer);
  Notify(PRINTER_CHANGE_ADD_PRINTER, std::vector<NotifyEntry>{{PRINTER_NOTIFY_TYPE, PRINTER_NOTIFY_FIELD_PRINTER_NAME,
                                                               printer.name},
                                                              {PRINTER_NOTIFY_TYPE, PRINTER_NOTIFY_FIELD_DRIVER_NAME,
                                                               printer.driver}});
}

void CFakePlatform::Notify(DWORD what, std::optional<std::vector<NotifyEntry>> entries) {
  Locked([&] {
    pending_.push_back({what, std::move(entries)});
    if (change_) ::SetEvent(change_);
  });
}

bool CFakePlatform::WaitForWatcher(DWORD timeoutMs) { return WaitForSingleObject(watching_, timeoutMs) == WAIT_OBJECT_0; }

bool CFakePlatform::WaitUntilChangesHandled(DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (GetTickCount64() < end) {
    if (Locked([&] { return pending_.empty() && records_.empty(); })) return true;
    Sleep(5);
  }
  return false;
}

void CFakePlatform::Fail(const std::string& call) {
  Locked([&] { failures_.insert(call); });
}

void CFakePlatform::Heal(const std::string& call) {
  Locked([&] { failures_.erase(call); });
}

void CFakePlatform::GrowOnEveryRead(const std::string& what, DWORD bytes) {
  Locked([&] { growth_[what] = bytes; });
}

void CFakePlatform::PortOutsideBuffer() {
  Locked([&] { portOutside_ = true; });
}

void CFakePlatform::RedirectMutex(std::wstring name) {
  Locked([&] { mutexName_ = std::move(name); });
}

void CFakePlatform::BlockGetPrinter() { ResetEvent(unblock_); }

void CFakePlatform::Unblock() { ::SetEvent(unblock_); }

// ---- what happened

std::vector<std::string> CFakePlatform::Log() const {
  return Locked([&] { return log_; });
}

bool CFakePlatform::Logged(const std::string& entry) const {
  return Locked([&] {
    for (const auto& e : log_)
      if (e == entry) return true;
    return false;
  });
}

int CFakePlatform::Count(const std::string& prefix) const {
  return Locked([&] {
    int n = 0;
    for (const auto& e : log_)
      if (e.rfind(prefix, 0) == 0) ++n;
    return n;
  });
}

std::string CFakePlatform::Leaks() const {
  return Locked([&] {
    std::string leaks;
    for (const auto& [key, path] : openKeys_) leaks += "key " + Narrow(path) + "; ";
    for (const auto& [handle, name] : openPrinters_) leaks += "printer '" + Narrow(name) + "'; ";
    if (change_) leaks += "notification; ";
    if (!records_.empty()) leaks += std::to_string(records_.size()) + " records; ";
    for (const auto& e : log_)
      if (e.rfind("BAD ", 0) == 0) leaks += e + "; ";
    return leaks;
  });
}

// ---- the platform

HANDLE CFakePlatform::NewHandle() {
  nextHandle_ += 4;
  return reinterpret_cast<HANDLE>(nextHandle_);
}

DWORD CFakePlatform::Growth(const std::string& what) {
  auto it = growth_.find(what);
  return it == growth_.end() ? 0 : it->second;
}

BOOL CFakePlatform::GetDeviceRegistryProperty(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property, DWORD* type,
                                              BYTE* buffer, DWORD size, DWORD* required) {
  std::scoped_lock guard(lock_);
  const std::string what = property == SPDRP_HARDWAREID ? "HardwareIds" : "CompatibleIds";
  Record("GetProperty " + what);
  auto it = device ? devices_.find(device->DevInst) : devices_.end();
  if (set != Set() || it == devices_.end()) {
    SetLastError(ERROR_NO_SUCH_DEVINST);
    return FALSE;
  }
  std::optional<Value>& value = property == SPDRP_HARDWAREID ? it->second.hardwareIds : it->second.compatibleIds;
  if (Failing(what) || !value) {
    SetLastError(ERROR_INVALID_DATA);
    return FALSE;
  }
  value->bytes.resize(value->bytes.size() + Growth(what));
  const DWORD length = static_cast<DWORD>(value->bytes.size());
  if (required) *required = length;
  if (type) *type = value->type;
  if (!buffer || size < length) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, value->bytes.data(), length);
  return TRUE;
}

BOOL CFakePlatform::GetSelectedDriver(HDEVINFO set, PSP_DEVINFO_DATA device, SP_DRVINFO_DATA_W* driver) {
  std::scoped_lock guard(lock_);
  Record("GetSelectedDriver");
  auto it = device ? devices_.find(device->DevInst) : devices_.end();
  if (set != Set() || it == devices_.end() || Failing("SelectedDriver") || !it->second.driver) {
    SetLastError(ERROR_NO_DRIVER_SELECTED);
    return FALSE;
  }
  if (driver->cbSize != sizeof(SP_DRVINFO_DATA_W)) {
    Record("BAD driver record size");
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  const std::wstring& description = *it->second.driver;
  const std::size_t n = std::min(description.size(), std::size(driver->Description));
  std::wmemcpy(driver->Description, description.c_str(), n);
  if (n < std::size(driver->Description)) driver->Description[n] = L'\0';  // a full array stays unterminated
  return TRUE;
}

HKEY CFakePlatform::OpenDeviceKey(HDEVINFO set, PSP_DEVINFO_DATA device, REGSAM access) {
  std::scoped_lock guard(lock_);
  Record("OpenDeviceKey");
  if (set != Set() || !device || Failing("OpenDeviceKey")) {
    SetLastError(ERROR_KEY_DOES_NOT_EXIST);
    return static_cast<HKEY>(INVALID_HANDLE_VALUE);
  }
  auto key = static_cast<HKEY>(NewHandle());
  openKeys_[key] = DeviceKey(device);
  return key;
}

LSTATUS CFakePlatform::OpenKey(HKEY root, const wchar_t* subKey, REGSAM access, HKEY* key) {
  std::scoped_lock guard(lock_);
  const bool write = (access & KEY_SET_VALUE) != 0;
  const std::wstring path = L"HKLM\\" + std::wstring(subKey);
  Record(std::string("OpenKey ") + (write ? "write " : "read ") + Narrow(path));
  if (root != HKEY_LOCAL_MACHINE) return ERROR_INVALID_HANDLE;
  if (Failing(write ? "OpenKey:write" : "OpenKey:read")) return ERROR_ACCESS_DENIED;
  if (!registry_.count(path)) return ERROR_FILE_NOT_FOUND;
  *key = static_cast<HKEY>(NewHandle());
  openKeys_[*key] = path;
  return ERROR_SUCCESS;
}

LSTATUS CFakePlatform::QueryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* size) {
  std::scoped_lock guard(lock_);
  const std::string valueName = Narrow(name);
  Record("Query " + valueName);
  auto open = openKeys_.find(key);
  if (open == openKeys_.end()) {
    Record("BAD query through a closed key");
    return ERROR_INVALID_HANDLE;
  }
  if (Failing("Throw:Query")) throw std::runtime_error("registry exploded");
  if (Failing("Query:" + valueName)) return ERROR_ACCESS_DENIED;
  auto& values = registry_[open->second];
  auto it = values.find(name);
  if (it == values.end()) return ERROR_FILE_NOT_FOUND;
  Value& value = it->second;
  value.bytes.resize(value.bytes.size() + Growth("Query:" + valueName));
  const DWORD length = static_cast<DWORD>(value.bytes.size());
  if (type) *type = value.type;
  if (!data) {
    *size = length;
    return ERROR_SUCCESS;
  }
  if (*size < length) {
    *size = length;
    return ERROR_MORE_DATA;
  }
  std::memcpy(data, value.bytes.data(), length);
  *size = length;
  return ERROR_SUCCESS;
}

LSTATUS CFakePlatform::SetValue(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD size) {
  std::scoped_lock guard(lock_);
  const std::string valueName = Narrow(name);
  Record("Set " + valueName + "=" + Render(type, data, size));
  auto open = openKeys_.find(key);
  if (open == openKeys_.end()) {
    Record("BAD write through a closed key");
    return ERROR_INVALID_HANDLE;
  }
  if (Failing("Set:" + valueName)) return ERROR_ACCESS_DENIED;
  registry_[open->second][name] = Value{type, std::vector<BYTE>(data, data + size)};
  return ERROR_SUCCESS;
}

LSTATUS CFakePlatform::CloseKey(HKEY key) {
  std::scoped_lock guard(lock_);
  if (!openKeys_.erase(key)) {
    Record("BAD close of a key not open");
    return ERROR_INVALID_HANDLE;
  }
  return ERROR_SUCCESS;
}

BOOL CFakePlatform::EnumLocalPrinters(DWORD level, BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) {
  std::scoped_lock guard(lock_);
  Record("EnumPrinters");
  *returned = 0;
  if (level != 2 || Failing("EnumPrinters")) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  const DWORD records = static_cast<DWORD>(printers_.size() * sizeof(PRINTER_INFO_2W));
  DWORD texts = 0;
  for (const auto& p : printers_) texts += CLayout::Bytes(p.name) + CLayout::Bytes(p.driver) + CLayout::Bytes(p.port);
  growth_["EnumPrinters:total"] += Growth("EnumPrinters");
  *needed = records + texts + Growth("EnumPrinters:total");
  if (!buffer || size < *needed) {
    if (printers_.empty() && !Growth("EnumPrinters:total")) return TRUE;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memset(buffer, 0, size);
  CLayout layout(buffer, records);
  auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer);
  for (const auto& p : printers_) {
    info->pPrinterName = layout.Put(p.name);
    info->pDriverName = layout.Put(p.driver);
    info->pPortName = layout.Put(p.port);
    ++info;
  }
  *returned = static_cast<DWORD>(printers_.size());
  return TRUE;
}

BOOL CFakePlatform::OpenPrinterHandle(const wchar_t* name, HANDLE* printer, ACCESS_MASK access) {
  std::scoped_lock guard(lock_);
  char accessText[16];
  std::snprintf(accessText, sizeof(accessText), "%lX", static_cast<unsigned long>(access));
  const std::string printerName = name ? Narrow(name) : "server";
  Record("OpenPrinter " + printerName + " " + accessText);
  if (Failing("OpenPrinter:" + printerName)) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
  }
  if (name) {
    bool known = false;
    for (const auto& p : printers_) known = known || p.name == name;
    if (!known) {
      SetLastError(ERROR_INVALID_PRINTER_NAME);
      return FALSE;
    }
  }
  *printer = NewHandle();
  openPrinters_[*printer] = name ? name : L"";
  return TRUE;
}

BOOL CFakePlatform::GetPrinterInfo(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
  WaitForSingleObject(unblock_, INFINITE);
  std::scoped_lock guard(lock_);
  auto open = openPrinters_.find(printer);
  if (open == openPrinters_.end()) {
    Record("BAD GetPrinter through a closed printer");
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Record("GetPrinter " + Narrow(open->second));
  const Printer* found = nullptr;
  for (const auto& p : printers_)
    if (p.name == open->second) found = &p;
  if (level != 2 || Failing("GetPrinter") || !found) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
  }
  *needed = sizeof(PRINTER_INFO_2W) + CLayout::Bytes(found->name) + CLayout::Bytes(found->driver) +
            CLayout::Bytes(found->port);
  if (!buffer || size < *needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memset(buffer, 0, size);
  CLayout layout(buffer, sizeof(PRINTER_INFO_2W));
  auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer);
  info->pPrinterName = layout.Put(found->name);
  info->pDriverName = layout.Put(found->driver);
  info->pPortName = layout.Put(found->port);
  if (portOutside_) info->pPortName = const_cast<wchar_t*>(kForeignPort);
  return TRUE;
}

BOOL CFakePlatform::DeletePrinter(HANDLE printer) {
  std::scoped_lock guard(lock_);
  auto open = openPrinters_.find(printer);
  if (open == openPrinters_.end()) {
    Record("BAD delete through a closed printer");
    return FALSE;
  }
  Record("DeletePrinter " + Narrow(open->second));
  if (Failing("DeletePrinter")) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  std::erase_if(printers_, [&](const Printer& p) { return p.name == open->second; });
  return TRUE;
}

BOOL CFakePlatform::ClosePrinter(HANDLE printer) {
  std::scoped_lock guard(lock_);
  if (!openPrinters_.erase(printer)) {
    Record("BAD close of a printer not open");
    return FALSE;
  }
  return TRUE;
}

HANDLE CFakePlatform::FindFirstPrinterChange(HANDLE printer, DWORD filter, PRINTER_NOTIFY_OPTIONS* options) {
  std::scoped_lock guard(lock_);
  char filterText[16];
  std::snprintf(filterText, sizeof(filterText), "%lX", static_cast<unsigned long>(filter));
  Record(std::string("FindFirst ") + filterText);
  auto open = openPrinters_.find(printer);
  if (open == openPrinters_.end() || !open->second.empty()) Record("BAD notification not asked of the print server");
  const bool optionsRight = options && options->Version == 2 && options->Count == 1 && options->pTypes &&
                            options->pTypes[0].Type == PRINTER_NOTIFY_TYPE && options->pTypes[0].Count == 2 &&
                            options->pTypes[0].pFields[0] == PRINTER_NOTIFY_FIELD_PRINTER_NAME &&
                            options->pTypes[0].pFields[1] == PRINTER_NOTIFY_FIELD_DRIVER_NAME;
  if (!optionsRight) Record("BAD notification options");
  if (Failing("FindFirst")) {
    ::SetEvent(watching_);
    return INVALID_HANDLE_VALUE;
  }
  if (change_) Record("BAD second notification");
  change_ = CreateEventW(nullptr, TRUE, pending_.empty() ? FALSE : TRUE, nullptr);
  ::SetEvent(watching_);
  return change_;
}

BOOL CFakePlatform::FindNextPrinterChange(HANDLE change, DWORD* what, PRINTER_NOTIFY_INFO** info) {
  std::scoped_lock guard(lock_);
  Record("FindNext");
  if (change != change_ || !change_) {
    Record("BAD FindNext on a notification not open");
    return FALSE;
  }
  if (Failing("FindNext")) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;  // the notification stays signalled, as it would
  }
  *what = 0;
  *info = nullptr;
  if (!pending_.empty()) {
    Change next = std::move(pending_.front());
    pending_.pop_front();
    *what = next.what;
    if (next.entries) {
      const auto& entries = *next.entries;
      const std::size_t head = offsetof(PRINTER_NOTIFY_INFO, aData) +
                               std::max<std::size_t>(entries.size(), 1) * sizeof(PRINTER_NOTIFY_INFO_DATA);
      std::size_t texts = 0;
      for (const auto& e : entries) texts += (e.text.size() + 1) * sizeof(wchar_t);
      std::vector<BYTE> storage(head + texts);
      auto* record = reinterpret_cast<PRINTER_NOTIFY_INFO*>(storage.data());
      record->Version = 2;
      record->Count = static_cast<DWORD>(entries.size());
      std::size_t at = head;
      for (std::size_t i = 0; i < entries.size(); ++i) {
        auto& data = record->aData[i];
        data.Type = entries[i].type;
        data.Field = entries[i].field;
        const DWORD bytes = static_cast<DWORD>((entries[i].text.size() + (entries[i].terminated ? 1 : 0)) *
                                               sizeof(wchar_t));
        std::memcpy(storage.data() + at, entries[i].text.c_str(), bytes);
        data.NotifyData.Data.cbBuf = bytes;
        data.NotifyData.Data.pBuf = storage.data() + at;
        at += bytes;
      }
      *info = record;
      records_.emplace(record, std::move(storage));
    }
  }
  if (pending_.empty()) ResetEvent(change_);
  return TRUE;
}

BOOL CFakePlatform::FreePrinterNotifyInfo(PRINTER_NOTIFY_INFO* info) {
  std::scoped_lock guard(lock_);
  if (!records_.erase(info)) {
    Record("BAD free of a record not handed out");
    return FALSE;
  }
  return TRUE;
}

BOOL CFakePlatform::FindClosePrinterChange(HANDLE change) {
  std::scoped_lock guard(lock_);
  if (!change_ || change != change_) {
    Record("BAD close of a notification not open");
    return FALSE;
  }
  ::CloseHandle(change_);
  change_ = nullptr;
  ResetEvent(watching_);
  return TRUE;
}

HANDLE CFakePlatform::CreateManualEvent() {
  if (Locked([&] { return Failing("CreateEvent"); })) return nullptr;
  return CWin32Platform::CreateManualEvent();
}

HANDLE CFakePlatform::StartThread(std::function<void()> body) {
  if (Locked([&] {
        Record("StartThread");
        return Failing("StartThread");
      }))
    return nullptr;
  return CWin32Platform::StartThread(std::move(body));
}

HANDLE CFakePlatform::OpenNamedMutex(const wchar_t* name) {
  const std::wstring opened = Locked([&] {
    Record("OpenMutex " + Narrow(name));
    return mutexName_.empty() ? std::wstring(name) : mutexName_;
  });
  return CWin32Platform::OpenNamedMutex(opened.c_str());
}

BOOL CFakePlatform::ReleaseMutex(HANDLE mutex) {
  if (Locked([&] {
        Record("ReleaseMutex");
        return Failing("ReleaseMutex");
      })) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  return CWin32Platform::ReleaseMutex(mutex);
}

}  // namespace fake
