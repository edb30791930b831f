#pragma once
// The decisions both co-installers make over what the device installer, the
// registry and the spooler hand them: which devices they serve, which queue
// gives its port, which new queue is a duplicate. Everything arrives as raw
// bytes or bounded texts and is checked here before it is trusted.
// Includes no <windows.h>.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace coinst {

inline constexpr std::wstring_view kDriverKeyPath = L"SOFTWARE\\ORVIK\\ORVIK Vantrel 5\\VX-R500";
inline constexpr std::wstring_view kPcsValue = L"PCS";
inline constexpr std::wstring_view kPortNameValue = L"PortName";
inline constexpr std::wstring_view kMakerPortPrefix = L"VXPORT";
inline constexpr std::wstring_view kCreateFinishMutex = L"ORVIK VTD5 VX Printer Create Finish Mutex";

inline constexpr std::array<std::wstring_view, 1> kServedQueueDrivers = {L"ORVIK VX-R500 Receipt5"};
inline constexpr std::array<std::wstring_view, 4> kServedDeviceIds = {
    L"USBPRINT\\1284_CID_OrvikVX0200B94F",
    L"USBPRINT\\ORVIKVX-R500E6D2",
    L"USBPRINT\\1284_CID_OrvikVX02003C5E",
    L"USBPRINT\\ORVIKVX-R500-S/C7A1B",
};

// The spooler keeps port names in buffers of this many characters, the
// terminator included.
inline constexpr std::size_t kPortNameChars = 260;

// Registry value types, as the registry numbers them.
enum RegistryType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
};

// UTF-16 text from a buffer the platform filled: up to the first NUL, or the
// whole buffer when it holds none. A trailing odd byte is not half a
// character and is dropped.
std::wstring TextFromUtf16(const void* data, std::size_t bytes);
std::wstring TextFromUtf16(const wchar_t* text, std::size_t maxChars);

// The entries of a multi-string (texts ended by NUL, the list ended by an
// empty one). A list cut short keeps what it holds; nothing beyond `bytes`
// is read.
std::vector<std::wstring> MultiStringEntries(const void* data, std::size_t bytes);

// Is any entry of an id list (a multi-string) exactly one of the served ids?
// Ids in any other registry type are not an id list.
bool ListHasServedId(uint32_t type, const void* data, std::size_t bytes);

// A registry value as text, only when it is one (REG_SZ or REG_EXPAND_SZ).
std::optional<std::wstring> RegistryText(uint32_t type, const void* data, std::size_t bytes);

// A registry value as a 32-bit number, only when it is a REG_DWORD of four
// bytes.
std::optional<uint32_t> RegistryDword(uint32_t type, const void* data, std::size_t bytes);

// Is this one of the maker's port-monitor ports?
bool IsMakerPort(std::wstring_view port);

// A local print queue as the spooler lists it.
struct QueueInfo {
  std::wstring name;
  std::wstring driver;
  std::wstring port;
};

// The port of the first queue driven by `driverDescription` whose port name
// fits the spooler's port buffer; nothing when there is none.
std::optional<std::wstring> PortOfExistingQueue(const std::vector<QueueInfo>& queues,
                                                std::wstring_view driverDescription);

// Is this the driver of the maker's queues?
bool IsServedQueueDriver(std::wstring_view driver);

// Is a queue that just appeared with this driver and port the duplicate that
// plug and play creates beside the maker's queue?
bool IsDuplicateQueue(std::wstring_view driver, std::wstring_view port);

}  // namespace coinst
