#include "printerinfo/SettingCommandFile.h"

#include "framework/PrinterSettingsList.h"

// The command writer joins with the cut-position page whose settings it
// carries; until then no file is written and the caller reports the failure.
int32_t WriteSettingCommandFile(const CPrinterSettingsList&, const wchar_t*, int32_t, const wchar_t*,
                                const wchar_t*) {
  return -1;
}
