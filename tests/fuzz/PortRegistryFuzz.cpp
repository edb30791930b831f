// Any text as the library's port registry file: what it reads must write
// back and read again to the same records, and every record it keeps must be
// storable.
#include "makerlibs/protocol/PortRegistry.h"
#include "tests/fuzz/FuzzText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring text = WideText(data, size);
  const auto ports = vxproto::ParsePortRegistry(text);
  for (const auto& p : ports) {
    if (!vxproto::IsStorable(p)) __builtin_trap();
    (void)vxproto::ResolveEndpoint(p.kind, p.portName, p.portPath);
  }
  const auto again = vxproto::ParsePortRegistry(vxproto::FormatPortRegistry(ports));
  if (again.size() != ports.size()) __builtin_trap();
  for (size_t i = 0; i < ports.size(); ++i) {
    if (!vxproto::SamePort(ports[i], again[i])) __builtin_trap();
  }
  (void)vxproto::ParseLineSettings(text);
  return 0;
}
