#pragma once
// Names and sizes shared by the utility, its plug-ins and the pure logic.
// Includes no <windows.h>.

#include <cstddef>
#include <cstdint>

constexpr int kTextUnits = 260;  // every text buffer of a shared record

// Start-up mode; it also picks the menu definition file.
enum class StartMode : int32_t {
  Normal = 0,
  Logo = 1,
  PrinterControl = 2,
  Remote = 3,
  SaveFile = 4,
  Coupon = 5,
  Vtd5 = 100,
  Vtd5Logo = 110,
};

// The kind of program that started the utility.
enum class CallerKind : int32_t {
  None = 0,
  Vtd = 1,
  Opos = 2,
  SimpleViewer = 3,
  AutoRestore = 4,
};

// interfaceKind of UtilitySettings.
enum InterfaceKind : int32_t {
  kInterfaceSerial = 1,
  kInterfaceParallel = 2,
  kInterfaceUsb = 3,
  kInterfaceNetwork = 4,
  kInterfaceBluetooth = 5,
  kInterfaceRemote = 6,
};

// Copies text into a fixed buffer, cutting it to fit and always terminating.
template <std::size_t N>
void CopyText(wchar_t (&dst)[N], const wchar_t* src, std::size_t maxChars = N - 1) {
  std::size_t i = 0;
  if (maxChars > N - 1) maxChars = N - 1;
  for (; src && src[i] && i < maxChars; ++i) dst[i] = src[i];
  dst[i] = L'\0';
}
