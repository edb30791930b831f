// Any bytes to the emulated printer, and any control line: the printer must
// answer within bounds and keep a bounded input, and after whatever came it
// must still answer a real-time status request once its input is drained.
#include <cstddef>
#include <string>

#include "emulator/ControlProtocol.h"
#include "emulator/PrinterEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string error;
  (void)emu::ParseControlLine(std::string(reinterpret_cast<const char*>(data), size), &error);
  emu::CPrinterEngine printer;
  (void)printer.PowerOn();
  const emu::Bytes answer = printer.Feed(data, size);
  if (answer.size() > 64 * (size + 1)) __builtin_trap();
  if (printer.RestartRequested()) return 0;  // a restart: it hears nothing until powered on
  printer.DiscardInput();
  const emu::Bytes status = printer.Feed(emu::Bytes{0x10, 0x04, 0x01});
  if (status.size() != 1 || (status[0] & 0x93) != 0x12) __builtin_trap();
  return 0;
}
