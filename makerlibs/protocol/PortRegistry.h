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
  bool operator==(const PortRecord&) const = default;
};

constexpr std::size_t kMaxPorts = 256;
constexpr std::size_t kMaxFieldChars = 259;  // a record field of 260 units with its terminator
constexpr uint16_t kDefaultTcpPort = 9100;

// One port per line, fields separated by tabs; '#' starts a comment. Lines
// that do not hold four fit fields are skipped; at most kMaxPorts are kept.
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
};
// Where a port leads: the path when it has one, else what the kind and port
// name imply. Nothing when it leads nowhere we know.
std::optional<Endpoint> ResolveEndpoint(const std::wstring& kind, const std::wstring& portName,
                                        const std::wstring& portPath);

}  // namespace vxproto
