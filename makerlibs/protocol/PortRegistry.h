#pragma once
// The communication library's port registry as text, and where a port path
// leads. Includes no <windows.h>.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vxproto {

struct PortRecord {
  std::wstring kind;        // "COM", "LPT", "USB", "NET", "BT"
  std::wstring portName;
  std::wstring portPath;
  std::wstring deviceName;  // the model name the printer reported last
  std::wstring lineSettings;  // a serial line's "baud,parity,bits"; empty: the printer's defaults
  bool operator==(const PortRecord&) const = default;
};

// A serial line's settings: baud rate, parity (0 none, 1 odd, 2 even) and
// data bits. The printer's own are 115200, none, 8.
struct LineSettings {
  uint32_t baud = 115200;
  uint8_t parity = 0;
  uint8_t bits = 8;
  bool operator==(const LineSettings&) const = default;
};
// "115200,0,8"; nothing for a text that is not three such numbers (baud
// 300..921600, parity 0..2, bits 7 or 8).
std::optional<LineSettings> ParseLineSettings(const std::wstring& text);
std::wstring FormatLineSettings(const LineSettings& settings);
// A pty pair carries bytes but no line settings, so the two ends of the
// emulated cable mark every byte with their settings' key: equal settings
// cancel out, different ones turn the bytes into noise, as a real line at the
// wrong speed does. The printer's own settings have the key 0.
uint8_t LineKey(const LineSettings& settings);
// How long a write of `bytes` may take on the line: `baseMs` for the printer
// to take it, and twice the time the bytes need at the line's speed (start,
// data, parity and stop bits), so that a logo is not cut off by a time-out
// made for a few bytes. At most 0xFFFFFFFE.
uint32_t SerialWriteTimeoutMs(uint32_t baseMs, std::size_t bytes, const LineSettings& settings);

constexpr std::size_t kMaxPorts = 256;
constexpr std::size_t kMaxFieldChars = 259;  // a record field of 260 units with its terminator
constexpr uint16_t kDefaultTcpPort = 9100;

// One port per line, fields separated by tabs; '#' starts a comment. Lines
// that do not hold four fit fields (and, for serial lines, an optional fifth
// with the line settings) are skipped; at most kMaxPorts are kept.
std::vector<PortRecord> ParsePortRegistry(const std::wstring& text);
std::wstring FormatPortRegistry(const std::vector<PortRecord>& ports);
// A fresh machine: one port that reaches the default emulator.
std::vector<PortRecord> DefaultPorts();
// Whether a record can be stored (no tabs or line ends, fields fit).
bool IsStorable(const PortRecord& record);
// Two records name the same port (kind, port name and path; case-insensitive).
bool SamePort(const PortRecord& a, const PortRecord& b);
// Ports of the driver's port monitor ("pipe://vx/...").
bool IsPortMonitorPath(const std::wstring& path);

struct Endpoint {
  enum class Kind { Tcp, Pipe, Device } kind;
  std::wstring address;  // host for Tcp, the file name for Pipe and Device
  uint16_t port = 0;
  bool serial = false;   // a COM port: wants comm state and time-outs
  LineSettings line;     // a serial port's settings
};
// Where a port leads: the path when it has one, else what the kind and port
// name imply. Nothing when it leads nowhere we know.
std::optional<Endpoint> ResolveEndpoint(const std::wstring& kind, const std::wstring& portName,
                                        const std::wstring& portPath);

}  // namespace vxproto
