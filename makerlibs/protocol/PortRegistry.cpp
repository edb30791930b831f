#include "makerlibs/protocol/PortRegistry.h"

#include <algorithm>
#include <cwctype>

namespace vxproto {

namespace {

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

bool StartsWithNoCase(const std::wstring& s, const std::wstring& prefix) {
  return s.size() >= prefix.size() && Lower(s.substr(0, prefix.size())) == prefix;
}

bool FieldOk(const std::wstring& f) {
  if (f.size() > kMaxFieldChars) return false;
  for (wchar_t c : f) {
    if (c == L'\t' || c == L'\r' || c == L'\n' || c == 0) return false;
  }
  return true;
}

Endpoint MakeEndpoint(Endpoint::Kind kind, std::wstring address, uint16_t port = 0, bool serial = false) {
  Endpoint e{};
  e.kind = kind;
  e.address = std::move(address);
  e.port = port;
  e.serial = serial;
  return e;
}

bool SafeName(const std::wstring& name) {
  if (name.empty() || name.size() > 64 || !std::iswalnum(name[0])) return false;
  for (wchar_t c : name) {
    if (!(std::iswalnum(c) || c == L'_' || c == L'-' || c == L'.')) return false;
  }
  return true;
}

}  // namespace

std::vector<PortRecord> ParsePortRegistry(const std::wstring& text) {
  std::vector<PortRecord> ports;
  std::size_t start = 0;
  while (start < text.size() && ports.size() < kMaxPorts) {
    std::size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (line.empty() || line[0] == L'#') continue;
    std::vector<std::wstring> fields;
    std::size_t from = 0;
    for (;;) {
      const std::size_t tab = line.find(L'\t', from);
      fields.push_back(line.substr(from, tab == std::wstring::npos ? std::wstring::npos : tab - from));
      if (tab == std::wstring::npos || fields.size() > 5) break;
      from = tab + 1;
    }
    if (fields.size() != 4 && fields.size() != 5) continue;
    PortRecord r{fields[0], fields[1], fields[2], fields[3], fields.size() == 5 ? fields[4] : L""};
    if (r.kind.empty() || !IsStorable(r)) continue;
    ports.push_back(std::move(r));
  }
  return ports;
}

std::wstring FormatPortRegistry(const std::vector<PortRecord>& ports) {
  std::wstring text = L"# kind\tport name\tport path\tdevice name\n";
  for (const auto& p : ports) {
    if (!IsStorable(p)) continue;
    text += p.kind + L"\t" + p.portName + L"\t" + p.portPath + L"\t" + p.deviceName;
    if (!p.lineSettings.empty()) text += L"\t" + p.lineSettings;
    text += L"\n";
  }
  return text;
}

std::vector<PortRecord> DefaultPorts() {
  return {{L"NET", L"127.0.0.1", L"tcp://127.0.0.1:9100", L"VX-R200", L""}};
}

bool IsStorable(const PortRecord& r) {
  return FieldOk(r.kind) && FieldOk(r.portName) && FieldOk(r.portPath) && FieldOk(r.deviceName) &&
         (r.lineSettings.empty() || ParseLineSettings(r.lineSettings).has_value());
}

std::optional<LineSettings> ParseLineSettings(const std::wstring& text) {
  uint64_t numbers[3] = {};
  std::size_t at = 0;
  for (int i = 0; i < 3; ++i) {
    if (at >= text.size() || text[at] < L'0' || text[at] > L'9') return std::nullopt;
    uint64_t n = 0;
    for (int digits = 0; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at, ++digits) {
      if (digits >= 7) return std::nullopt;
      n = n * 10 + static_cast<uint64_t>(text[at] - L'0');
    }
    numbers[i] = n;
    if (i < 2) {
      if (at >= text.size() || text[at] != L',') return std::nullopt;
      ++at;
    }
  }
  if (at != text.size()) return std::nullopt;
  if (numbers[0] < 300 || numbers[0] > 921600 || numbers[1] > 2 || (numbers[2] != 7 && numbers[2] != 8)) {
    return std::nullopt;
  }
  return LineSettings{static_cast<uint32_t>(numbers[0]), static_cast<uint8_t>(numbers[1]),
                      static_cast<uint8_t>(numbers[2])};
}

std::wstring FormatLineSettings(const LineSettings& s) {
  return std::to_wstring(s.baud) + L"," + std::to_wstring(s.parity) + L"," + std::to_wstring(s.bits);
}

uint8_t LineKey(const LineSettings& s) {
  if (s == LineSettings{}) return 0;
  const uint32_t mixed = s.baud / 100u * 31u + s.parity * 7u + s.bits;
  return static_cast<uint8_t>(mixed % 255u + 1u);
}

uint32_t SerialWriteTimeoutMs(uint32_t baseMs, std::size_t bytes, const LineSettings& s) {
  const uint64_t bitsPerByte = 1u + s.bits + (s.parity != 0 ? 1u : 0u) + 1u;
  const uint64_t lineMs = (uint64_t{bytes} * bitsPerByte * 1000u + s.baud - 1) / std::max<uint32_t>(s.baud, 1);
  return static_cast<uint32_t>(std::min<uint64_t>(uint64_t{baseMs} + 2 * lineMs, 0xFFFFFFFEu));
}

bool SamePort(const PortRecord& a, const PortRecord& b) {
  return Lower(a.kind) == Lower(b.kind) && Lower(a.portName) == Lower(b.portName) &&
         Lower(a.portPath) == Lower(b.portPath);
}

bool IsPortMonitorPath(const std::wstring& path) { return StartsWithNoCase(path, L"pipe://vx/"); }

std::optional<Endpoint> ResolveEndpoint(const std::wstring& kind, const std::wstring& portName,
                                        const std::wstring& portPath) {
  if (!portPath.empty()) {
    if (StartsWithNoCase(portPath, L"tcp://")) {
      const std::wstring rest = portPath.substr(6);
      const std::size_t colon = rest.rfind(L':');
      std::wstring host = rest;
      unsigned long port = kDefaultTcpPort;
      if (colon != std::wstring::npos) {
        host = rest.substr(0, colon);
        const std::wstring digits = rest.substr(colon + 1);
        if (digits.empty() || digits.size() > 5) return std::nullopt;
        port = 0;
        for (wchar_t c : digits) {
          if (c < L'0' || c > L'9') return std::nullopt;
          port = port * 10 + static_cast<unsigned long>(c - L'0');
        }
        if (port == 0 || port > 65535) return std::nullopt;
      }
      if (host.empty() || host.find(L'/') != std::wstring::npos) return std::nullopt;
      return MakeEndpoint(Endpoint::Kind::Tcp, host, static_cast<uint16_t>(port));
    }
    if (IsPortMonitorPath(portPath)) {
      // The port monitor's name is the first part after "pipe://vx/"; a
      // further "/part" names the queue and does not change the pipe.
      std::wstring name = portPath.substr(10);
      name = name.substr(0, name.find(L'/'));
      if (!SafeName(name)) return std::nullopt;
      return MakeEndpoint(Endpoint::Kind::Pipe, L"\\\\.\\pipe\\vx\\" + name);
    }
    if (StartsWithNoCase(portPath, L"usb://")) {
      const std::wstring name = portPath.substr(6);
      if (!SafeName(name)) return std::nullopt;
      return MakeEndpoint(Endpoint::Kind::Pipe, L"\\\\.\\pipe\\vxusb\\" + name);
    }
    if (StartsWithNoCase(portPath, L"lpt://")) {
      // A parallel port without the hardware: the emulator's pipe stands in.
      const std::wstring name = portPath.substr(6);
      if (!SafeName(name)) return std::nullopt;
      return MakeEndpoint(Endpoint::Kind::Pipe, L"\\\\.\\pipe\\vxlpt\\" + name);
    }
    if (StartsWithNoCase(portPath, L"com://")) {
      const std::wstring name = portPath.substr(6);
      if (!SafeName(name)) return std::nullopt;
      return MakeEndpoint(Endpoint::Kind::Device, L"\\\\.\\" + name, 0, true);
    }
    return std::nullopt;
  }
  const std::wstring k = Lower(kind);
  if (k == L"net") {
    if (!SafeName(portName)) return std::nullopt;
    return MakeEndpoint(Endpoint::Kind::Tcp, portName, kDefaultTcpPort);
  }
  if (k == L"usb") {
    if (!SafeName(portName)) return std::nullopt;
    return MakeEndpoint(Endpoint::Kind::Pipe, L"\\\\.\\pipe\\vxusb\\" + portName);
  }
  if (k == L"com" || k == L"bt" || k == L"serial") {
    if (!SafeName(portName)) return std::nullopt;
    return MakeEndpoint(Endpoint::Kind::Device, L"\\\\.\\" + portName, 0, true);
  }
  if (k == L"lpt") {
    if (!SafeName(portName)) return std::nullopt;
    return MakeEndpoint(Endpoint::Kind::Device, L"\\\\.\\" + portName, 0, false);
  }
  return std::nullopt;
}

}  // namespace vxproto
