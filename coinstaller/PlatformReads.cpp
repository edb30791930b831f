#include "coinstaller/PlatformReads.h"

#include <algorithm>
#include <cstdint>
#include <memory>

namespace coinst {

namespace {

// Sized buffers for structures the spooler lays out: new[] gives the
// alignment its records need.
struct CSpoolerBuffer {
  std::unique_ptr<BYTE[]> data;
  DWORD size = 0;
  void Resize(DWORD bytes) {
    data.reset(new BYTE[bytes]);
    size = bytes;
  }
};

// A text the spooler placed in its buffer, read no further than the buffer
// ends and no longer than maxChars; nothing when the pointer lies outside.
std::optional<std::wstring> BufferText(const wchar_t* text, const BYTE* buffer, DWORD size, std::size_t maxChars) {
  const auto at = reinterpret_cast<std::uintptr_t>(text);
  const auto begin = reinterpret_cast<std::uintptr_t>(buffer);
  if (!text || at < begin || at - begin >= size) return std::nullopt;
  const std::size_t bytes = std::min<std::size_t>(size - (at - begin), maxChars * 2);
  return TextFromUtf16(static_cast<const void*>(text), bytes);
}

constexpr int kSpoolerAttempts = 3;  // queues may come and go between asking and reading

}  // namespace

std::optional<RegistryData> ReadDeviceProperty(ICoInstallerPlatform& platform, HDEVINFO set,
                                               PSP_DEVINFO_DATA device, DWORD property) {
  RegistryData data;
  data.bytes.resize(512);
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD type = REG_NONE;
    const DWORD size = static_cast<DWORD>(data.bytes.size());
    DWORD required = size;
    if (platform.GetDeviceRegistryProperty(set, device, property, &type, data.bytes.data(), size, &required)) {
      data.type = type;
      if (required < size) data.bytes.resize(required);
      return data;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER || required <= size || required > kMaxReadBytes) return std::nullopt;
    data.bytes.resize(required);
  }
  return std::nullopt;
}

bool IsServedDevice(ICoInstallerPlatform& platform, HDEVINFO set, PSP_DEVINFO_DATA device) {
  if (!device) return false;
  for (DWORD property : {SPDRP_HARDWAREID, SPDRP_COMPATIBLEIDS}) {
    const auto ids = ReadDeviceProperty(platform, set, device, property);
    if (ids && ListHasServedId(ids->type, ids->bytes.data(), ids->bytes.size())) return true;
  }
  return false;
}

std::optional<RegistryData> ReadValue(ICoInstallerPlatform& platform, HKEY key, const wchar_t* name,
                                      DWORD firstBytes) {
  RegistryData data;
  data.bytes.resize(firstBytes);
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD type = REG_NONE;
    const DWORD size = static_cast<DWORD>(data.bytes.size());
    DWORD reported = size;
    const LSTATUS status = platform.QueryValue(key, name, &type, data.bytes.data(), &reported);
    if (status == ERROR_SUCCESS) {
      data.type = type;
      if (reported < size) data.bytes.resize(reported);
      return data;
    }
    if (status != ERROR_MORE_DATA || reported <= size || reported > kMaxReadBytes) return std::nullopt;
    data.bytes.resize(reported);
  }
  return std::nullopt;
}

std::wstring SelectedDriverDescription(ICoInstallerPlatform& platform, HDEVINFO set, PSP_DEVINFO_DATA device) {
  SP_DRVINFO_DATA_W driver = {};
  driver.cbSize = sizeof(driver);
  if (!platform.GetSelectedDriver(set, device, &driver)) return {};
  return TextFromUtf16(driver.Description, std::size(driver.Description));
}

std::vector<QueueInfo> LocalQueues(ICoInstallerPlatform& platform) {
  std::vector<QueueInfo> queues;
  CSpoolerBuffer buffer;
  DWORD needed = 0;
  DWORD returned = 0;
  if (platform.EnumLocalPrinters(2, nullptr, 0, &needed, &returned)) return queues;  // none at all
  DWORD error = GetLastError();
  for (int attempt = 0;; ++attempt) {
    if (error != ERROR_INSUFFICIENT_BUFFER || attempt == kSpoolerAttempts || needed == 0 || needed > kMaxReadBytes)
      return queues;
    buffer.Resize(needed);
    if (platform.EnumLocalPrinters(2, buffer.data.get(), buffer.size, &needed, &returned)) break;
    error = GetLastError();
  }
  returned = std::min<DWORD>(returned, buffer.size / sizeof(PRINTER_INFO_2W));
  const auto* entries = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data.get());
  for (DWORD i = 0; i < returned; ++i) {
    const BYTE* base = buffer.data.get();
    auto name = BufferText(entries[i].pPrinterName, base, buffer.size, kMaxReadBytes);
    auto driver = BufferText(entries[i].pDriverName, base, buffer.size, kMaxReadBytes);
    auto port = BufferText(entries[i].pPortName, base, buffer.size, kPortNameChars);
    if (!driver || !port) continue;
    queues.push_back({name.value_or(L""), std::move(*driver), std::move(*port)});
  }
  return queues;
}

std::optional<std::wstring> QueuePort(ICoInstallerPlatform& platform, const std::wstring& queueName) {
  HANDLE opened = nullptr;
  if (!platform.OpenPrinterHandle(queueName.c_str(), &opened, PRINTER_ACCESS_USE) || !opened) return std::nullopt;
  CPlatformPrinter printer(opened, {&platform});
  CSpoolerBuffer buffer;
  DWORD needed = 0;
  if (platform.GetPrinterInfo(printer.get(), 2, nullptr, 0, &needed)) return std::nullopt;  // no room, no record
  DWORD error = GetLastError();
  for (int attempt = 0;; ++attempt) {
    if (error != ERROR_INSUFFICIENT_BUFFER || attempt == kSpoolerAttempts || needed < sizeof(PRINTER_INFO_2W) ||
        needed > kMaxReadBytes)
      return std::nullopt;
    buffer.Resize(needed);
    if (platform.GetPrinterInfo(printer.get(), 2, buffer.data.get(), buffer.size, &needed)) break;
    error = GetLastError();
  }
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data.get());
  return BufferText(info->pPortName, buffer.data.get(), buffer.size, kPortNameChars);
}

AddedPrinterFields PrinterFieldsOf(const PRINTER_NOTIFY_INFO& info) {
  AddedPrinterFields fields;
  for (DWORD i = 0; i < info.Count; ++i) {
    const PRINTER_NOTIFY_INFO_DATA& data = info.aData[i];
    if (data.Type != PRINTER_NOTIFY_TYPE) continue;
    const auto& text = data.NotifyData.Data;
    if (data.Field == PRINTER_NOTIFY_FIELD_PRINTER_NAME)
      fields.name = TextFromUtf16(text.pBuf, text.cbBuf);
    else if (data.Field == PRINTER_NOTIFY_FIELD_DRIVER_NAME)
      fields.driver = TextFromUtf16(text.pBuf, text.cbBuf);
  }
  return fields;
}

}  // namespace coinst
