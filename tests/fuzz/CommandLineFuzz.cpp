// Any command line: the utility's switches must end in bounded, terminated
// texts and a known start mode, never a crash.
#include <cwchar>

#include "app/ExtCommandLineInfo.h"
#include "tests/fuzz/FuzzText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CExtCommandLineInfo info;
  info.ParseArguments(WideArguments(data, size));
  for (const wchar_t* text : {info.portArg, info.queueArg, info.remoteArg, info.fileArg}) {
    if (wcsnlen(text, kTextUnits) >= kTextUnits) __builtin_trap();
  }
  return 0;
}
