#include "coinstaller/CoInstallerRules.h"

#include <algorithm>

namespace coinst {

namespace {

// Unit i of a little-endian UTF-16 buffer; read byte by byte because
// registry data carries no alignment promise.
wchar_t UnitAt(const unsigned char* bytes, std::size_t i) {
  return static_cast<wchar_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
}

}  // namespace

std::wstring TextFromUtf16(const void* data, std::size_t bytes) {
  std::wstring text;
  if (!data) return text;
  const auto* raw = static_cast<const unsigned char*>(data);
  const std::size_t units = bytes / 2;
  for (std::size_t i = 0; i < units; ++i) {
    const wchar_t unit = UnitAt(raw, i);
    if (unit == L'\0') break;
    text.push_back(unit);
  }
  return text;
}

std::wstring TextFromUtf16(const wchar_t* text, std::size_t maxChars) {
  if (!text) return {};
  const wchar_t* end = std::find(text, text + maxChars, L'\0');
  return std::wstring(text, end);
}

std::vector<std::wstring> MultiStringEntries(const void* data, std::size_t bytes) {
  std::vector<std::wstring> entries;
  if (!data) return entries;
  const auto* raw = static_cast<const unsigned char*>(data);
  const std::size_t units = bytes / 2;
  std::wstring current;
  for (std::size_t i = 0; i < units; ++i) {
    const wchar_t unit = UnitAt(raw, i);
    if (unit != L'\0') {
      current.push_back(unit);
      continue;
    }
    if (current.empty()) return entries;  // the empty entry ends the list
    entries.push_back(std::move(current));
    current.clear();
  }
  if (!current.empty()) entries.push_back(std::move(current));
  return entries;
}

bool ListHasServedId(uint32_t type, const void* data, std::size_t bytes) {
  if (type != kRegMultiSz) return false;
  for (const std::wstring& entry : MultiStringEntries(data, bytes)) {
    if (std::find(kServedDeviceIds.begin(), kServedDeviceIds.end(), entry) != kServedDeviceIds.end())
      return true;
  }
  return false;
}

std::optional<std::wstring> RegistryText(uint32_t type, const void* data, std::size_t bytes) {
  if (type != kRegSz && type != kRegExpandSz) return std::nullopt;
  return TextFromUtf16(data, bytes);
}

std::optional<uint32_t> RegistryDword(uint32_t type, const void* data, std::size_t bytes) {
  if (type != kRegDword || bytes != 4 || !data) return std::nullopt;
  const auto* raw = static_cast<const unsigned char*>(data);
  return static_cast<uint32_t>(raw[0]) | (static_cast<uint32_t>(raw[1]) << 8) |
         (static_cast<uint32_t>(raw[2]) << 16) | (static_cast<uint32_t>(raw[3]) << 24);
}

bool IsMakerPort(std::wstring_view port) { return port.starts_with(kMakerPortPrefix); }

std::optional<std::wstring> PortOfExistingQueue(const std::vector<QueueInfo>& queues,
                                                std::wstring_view driverDescription) {
  if (driverDescription.empty()) return std::nullopt;
  for (const QueueInfo& queue : queues) {
    if (queue.driver == driverDescription && queue.port.size() < kPortNameChars) return queue.port;
  }
  return std::nullopt;
}

bool IsServedQueueDriver(std::wstring_view driver) {
  return std::find(kServedQueueDrivers.begin(), kServedQueueDrivers.end(), driver) != kServedQueueDrivers.end();
}

bool IsDuplicateQueue(std::wstring_view driver, std::wstring_view port) {
  return IsServedQueueDriver(driver) && !IsMakerPort(port);
}

}  // namespace coinst
